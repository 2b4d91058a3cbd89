# Target facts shared by the MinGW-w64 toolchain files, for the processor they
# set first: Debian's cross tools of that triple (posix threads), the find-root
# modes of a cross build, and Wine to run what it builds.
set(CMAKE_SYSTEM_NAME Windows)
set(velmora_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${velmora_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${velmora_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${velmora_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${velmora_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows executables run through Wine; the wrapper picks the build tree's prefix
# and, from this toolchain's name, the 32- or 64-bit loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
