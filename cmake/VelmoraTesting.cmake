# GoogleTest for both builds: Debian's packaged one natively, the sources for MinGW.
if(WIN32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's port hook, ahead of its own empty one, for the compiler without std::mutex.
  target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
if(WIN32)
  # Windows test programs start Windows Sockets in their main, as the program's start-up does.
  add_library(velmora_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/winsock_main.cpp)
  target_link_libraries(velmora_test_main PUBLIC GTest::gtest ws2_32)
  set(velmora_test_main velmora_test_main)
else()
  set(velmora_test_main GTest::gtest_main)
endif()

# velmora_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [PROPERTIES name value ...])
# One GoogleTest executable; its cases are listed at test time (through Wine
# when cross-compiling), so a build never runs anything.
function(velmora_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest ${velmora_test_main})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  list(APPEND props ${T_PROPERTIES})
  if(WIN32)
    # Wine drops an exception raised in a window procedure and can then end
    # the process with status 0 in the middle of a test, so a case passes only
    # when GoogleTest's own summary says so. (No square brackets: they would
    # split this list.)
    list(APPEND props PASS_REGULAR_EXPRESSION "PASSED  . 1 test[.]|SKIPPED . 1 test,")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${props})
endfunction()
