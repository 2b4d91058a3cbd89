# cmake -DEXE=<program> -DLIMIT=<bytes> -P VelmoraSizeLimit.cmake: fails when the program is larger.
file(SIZE ${EXE} size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${EXE} is ${size} bytes, above its limit of ${LIMIT}")
endif()
message("${EXE}: ${size} bytes, within ${LIMIT}")
