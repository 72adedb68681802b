# The zip users unpack: the window, the command line, both tools Convert runs, a read-me and the
# licences. GNU sh-elf-objcopy.exe is built here from Debian's binutils-source (a minute, then
# cached), so the zip converts out of the box.
option(QUILLET_BUNDLE_OBJCOPY "Build GNU sh-elf-objcopy.exe into tools/ (needs binutils-source, flex, bison)" ON)

set(package_root ${CMAKE_BINARY_DIR}/package)
set(package_folder ${package_root}/Quillet)
set(notices ${CMAKE_BINARY_DIR}/third-party)
set(objcopy ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/tools/sh-elf-objcopy.exe)

if(QUILLET_BUNDLE_OBJCOPY)
  file(GLOB binutils_tarball /usr/src/binutils/binutils-*.tar.*)
  if(NOT binutils_tarball)
    message(FATAL_ERROR "sh-elf-objcopy.exe is built from Debian's binutils-source, which is not installed: "
                        "run scripts/install-deps.sh, or configure with -DQUILLET_BUNDLE_OBJCOPY=OFF for a zip "
                        "without it (Convert then stays disabled until one is put into tools).")
  endif()
  add_custom_command(
    OUTPUT ${objcopy} ${notices}/binutils-COPYING3.txt ${notices}/binutils-source.txt
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/build-sh-elf-objcopy.sh ${objcopy} ${notices}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/build-sh-elf-objcopy.sh ${binutils_tarball}
    COMMENT "Building GNU sh-elf-objcopy.exe (cached after the first time)"
    USES_TERMINAL)
  add_custom_target(sh_elf_objcopy ALL DEPENDS ${objcopy})
  set(bundled_objcopy COMMAND ${CMAKE_COMMAND} -E copy ${objcopy} ${package_folder}/tools
                      COMMAND ${CMAKE_COMMAND} -E copy ${notices}/binutils-COPYING3.txt ${notices}/binutils-source.txt
                              ${package_folder}/licenses)
endif()

# The MinGW-w64 runtime (start-up code, winpthreads) is linked into every .exe; its notices go along.
set(mingw_runtime_copyright /usr/share/doc/mingw-w64-x86-64-dev/copyright)
# So are zlib and the LZMA SDK's decoder, which read CHD images.
set(zlib_copyright /usr/share/doc/libz-mingw-w64-dev/copyright)
set(lzma_sdk_copyright /usr/share/doc/lzma-dev/copyright)
# And libFLAC's and zstd's, built from Debian's source packages: their licences from those sources.
set(flac_licence ${QUILLET_CODEC_SOURCES}/flac/COPYING.Xiph)
set(zstd_licence ${QUILLET_CODEC_SOURCES}/zstd/LICENSE)

# The read-me: the one text that describes Quillet, with the version, then what the zip holds.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/about.txt QUILLET_ABOUT)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows-readme.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)

set(QUILLET_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/Quillet-${PROJECT_VERSION}-windows.zip)
set(QUILLET_PACKAGE_ZIP ${QUILLET_PACKAGE_ZIP} PARENT_SCOPE)  # the package's own test unzips it
add_custom_target(package-windows
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_root}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_folder}/tools
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vardelm> $<TARGET_FILE:quillet> ${package_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:dcscram> ${package_folder}/tools
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/README.txt ${package_folder}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${package_folder}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_folder}/licenses
  COMMAND ${CMAKE_COMMAND} -E copy ${mingw_runtime_copyright} ${package_folder}/licenses/mingw-w64-runtime.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${zlib_copyright} ${package_folder}/licenses/zlib.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${lzma_sdk_copyright} ${package_folder}/licenses/lzma-sdk.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${flac_licence} ${package_folder}/licenses/libflac.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${zstd_licence} ${package_folder}/licenses/zstd.txt
  ${bundled_objcopy}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QUILLET_PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_root} ${CMAKE_COMMAND} -E tar cf ${QUILLET_PACKAGE_ZIP} --format=zip Quillet
  DEPENDS vardelm quillet dcscram
  COMMENT "Packing Quillet-${PROJECT_VERSION}-windows.zip")
if(QUILLET_BUNDLE_OBJCOPY)
  add_dependencies(package-windows sh_elf_objcopy)
endif()
