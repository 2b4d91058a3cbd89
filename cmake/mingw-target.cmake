# Target facts shared by the MinGW-w64 toolchain files, for the processor they
# set first: Debian's cross tools of that triple, the find-root modes of a
# cross build, and Wine to run what it builds.
set(CMAKE_SYSTEM_NAME Windows)
set(velmora_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

# The win32-threads flavour, for every Windows target, tests included: the
# posix one links winpthread into every program, which imports functions that
# Windows 2000 and XP do not export (GetTickCount64 first of all), so the
# program would not load there. This flavour has no std::thread or std::mutex;
# the program has one thread, and the tests' helper threads are Win32 ones.
set(CMAKE_C_COMPILER ${velmora_triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${velmora_triple}-g++-win32)
set(CMAKE_RC_COMPILER ${velmora_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${velmora_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows executables run through Wine; the wrapper picks the build tree's prefix
# and, from this toolchain's name, the 32- or 64-bit loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
