# Passes only when building the message map with the wrong handler fails for
# that entry: the compiler's error must name message_map_test.cpp at the line
# of the wrong entry, so that any other build failure fails this test.
#
#   cmake -DBUILD_DIR=... -DTARGET=... -DSOURCE=.../message_map_test.cpp -P expect_signature_error.cmake
file(STRINGS ${SOURCE} lines)
set(line 0)
set(wanted 0)
foreach(text IN LISTS lines)
  math(EXPR line "${line} + 1")
  if(wanted EQUAL 0 AND text MATCHES "^#ifdef VELMORA_WRONG_SIGNATURE")
    math(EXPR wanted "${line} + 1")
  endif()
endforeach()
if(wanted EQUAL 0)
  message(FATAL_ERROR "no VELMORA_WRONG_SIGNATURE entry in ${SOURCE}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
if(rc EQUAL 0)
  message(FATAL_ERROR "the wrong handler compiled:\n${out}")
endif()
# GCC reports the error inside the map's macro, then the entry that expanded it.
if(NOT out MATCHES "message_map_test\\.cpp:${wanted}:[0-9]+: (error|note: in expansion of macro)")
  message(FATAL_ERROR "the build failed, but not at message_map_test.cpp:${wanted}:\n${out}")
endif()
if(NOT out MATCHES ": error: ")
  message(FATAL_ERROR "the build failed without a compiler error:\n${out}")
endif()
message(STATUS "the wrong handler at message_map_test.cpp:${wanted} does not compile")
