# GoogleTest for both builds: Debian's packaged one natively, the sources for MinGW.
if(WIN32)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's port hook, ahead of its own empty one, for the compiler without std::mutex.
  target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
# Time limits bound a hang; they decide nothing. Under an emulated CPU everything takes longer.
set(VELMORA_TIMEOUT_SCALE 1 CACHE STRING "What every test's time limit is multiplied by")
# One main for every test executable: it starts Windows Sockets on Windows and
# records its verdict, and returns 77 when the case it ran was skipped.
add_library(velmora_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp)
target_link_libraries(velmora_test_main PUBLIC GTest::gtest $<$<BOOL:${WIN32}>:ws2_32>)

# velmora_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [PROPERTIES name value ...])
# One GoogleTest executable; its cases are listed at test time (through Wine
# when cross-compiling), so a build never runs anything.
function(velmora_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest velmora_test_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${VELMORA_TIMEOUT_SCALE}")
  math(EXPR discovery "60 * ${VELMORA_TIMEOUT_SCALE}")
  # A case passes or fails by its exit status alone, on its one run.
  set(props TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  list(APPEND props ${T_PROPERTIES})
  if(WIN32)
    # Under Wine a status counts only with the verdict the program recorded;
    # scripts/wine-test says why, and wraps scripts/wine-run for the listing too.
    set_target_properties(${name} PROPERTIES
                          CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-test)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${discovery}
                       PROPERTIES ${props})
endfunction()
