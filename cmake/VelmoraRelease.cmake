# The program as it is packaged: small, stripped, and the same bytes from any
# checkout at any path on any day. Included by the top CMakeLists.txt when
# VELMORA_RELEASE is on (the release-win32 and release-win64 presets).

# Nothing in the program throws, and it has one thread: no unwinding tables of
# its own, and function-local statics initialised without the runtime's locks.
add_compile_options(-fno-exceptions -fno-threadsafe-statics)
# Nor, in the PE32, unwinding tables for its own code (3.7 KB): nothing catches, so a throw from the
# run-time library ends the program through std::terminate with them or without. The PE32+ keeps
# its tables, which Windows itself walks to unwind any frame on x64.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()
# Unused functions and data dropped at link time; no source or build path
# kept in the binary (__FILE__, assertion texts).
add_compile_options(-ffunction-sections -fdata-sections -g0
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
  -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
# Stripped, no time stamp in the PE header, and a link map that says where
# the bytes go (build/release-*/Velmora.map).
add_link_options(-s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--build-id=none
  -Wl,-Map=${CMAKE_BINARY_DIR}/Velmora.map)
# Link-time optimisation: about 6 KB less of the program's own code.
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
