# The release zip, made in the build tree by `cpack --preset release-win32`
# (or -win64): Velmora.exe and the read-me, in a folder named after the
# package, Velmora-<version>-win32 or -win64. scripts/release sets
# SOURCE_DATE_EPOCH, which CPack uses for every entry's time.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(velmora_arch win32)
else()
  set(velmora_arch win64)
endif()

install(TARGETS Velmora RUNTIME DESTINATION .)
# Windows line ends and a byte-order mark, so that Notepad shows the Chinese.
configure_file(${CMAKE_SOURCE_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/README.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Velmora-${PROJECT_VERSION}-${velmora_arch})
set(CPACK_STRIP_FILES OFF) # the linker has stripped it already
include(CPack)
