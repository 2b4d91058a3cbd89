# Target facts for 64-bit Windows, built with Debian's MinGW-w64:
# the PE32+ twin of the 32-bit program, for machines that cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
