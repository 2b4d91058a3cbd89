# cmake -DEXE=<program> [-DLIMIT=<bytes> -DMAP=<its link map>] -P VelmoraExeChecks.cmake, run
# after every link of Velmora.exe: scripts/import-gate on its imports and header; with LIMIT (the
# packaged PE32), its size, and that libstdc++'s name demangler (the default terminate handler's,
# a sixth of the program) stays out. A program that fails is deleted, so that no later build
# takes it for built.
execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/import-gate ${EXE} RESULT_VARIABLE gate)
set(problems "")
if(NOT gate EQUAL 0)
  list(APPEND problems "Windows would refuse to load it")
endif()
if(LIMIT)
  file(SIZE ${EXE} size)
  if(size GREATER LIMIT)
    list(APPEND problems "${size} bytes, above its limit of ${LIMIT}")
  else()
    message("${EXE}: ${size} bytes, within ${LIMIT}")
  endif()
  file(STRINGS ${MAP} demangler REGEX "cp-demangle\\.o")
  if(demangler)
    list(APPEND problems "libstdc++'s demangler is linked in again (see app/terminate_handler.cpp)")
  endif()
endif()
if(problems)
  file(REMOVE ${EXE})
  list(JOIN problems "; " problems)
  message(FATAL_ERROR "${EXE}: ${problems}. Deleted.")
endif()
