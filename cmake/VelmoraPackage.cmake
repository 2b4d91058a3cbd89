# The release zip, made in the build tree by `cpack --preset release-win32`
# (or -win64): Velmora.exe, the read-me and the licence, in a folder named
# after the package, Velmora-<version>-win32 or -win64. scripts/release sets
# SOURCE_DATE_EPOCH, which CPack uses for every entry's time.

# Where each build runs, for the read-me (the oldest Windows that scripts/import-gate allows).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(velmora_arch win32)
  set(VELMORA_RUNS_ON_ZH "这是 32 位版本，可在 32 位和 64 位的 Windows 2000 SP4、XP、Vista、7、8、\n10 和 11 上运行。")
  set(VELMORA_RUNS_ON_EN "This is the 32-bit build. It runs on 32- and 64-bit Windows 2000 SP4, XP,\nVista, 7, 8, 10 and 11.")
else()
  set(velmora_arch win64)
  set(VELMORA_RUNS_ON_ZH "这是 64 位版本，可在 64 位 Windows 上运行，从 Windows XP x64 版起；\n32 位版本可在 Windows 2000 SP4 到 11 的所有版本上运行。")
  set(VELMORA_RUNS_ON_EN "This is the 64-bit build. It runs on 64-bit Windows, from Windows XP x64\nEdition on; the 32-bit build runs on every Windows from 2000 SP4 to 11.")
endif()

install(TARGETS Velmora RUNTIME DESTINATION .)
# Windows line ends and a byte-order mark, so that Notepad shows the Chinese.
configure_file(${CMAKE_SOURCE_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/README.txt
  @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Velmora-${PROJECT_VERSION}-${velmora_arch})
set(CPACK_STRIP_FILES OFF) # the linker has stripped it already
include(CPack)
