# Installing on Linux: the window and its tools folder together under lib/quillet (the program
# looks for its tools beside itself), launchers in bin, manual pages, a desktop entry with icons and
# AppStream data; and a .deb that lintian passes.
include(GNUInstallDirs)
set(program_dir ${CMAKE_INSTALL_LIBDIR}/quillet)

install(TARGETS vardelm RUNTIME DESTINATION ${program_dir})
install(TARGETS dcscram RUNTIME DESTINATION ${program_dir}/tools)
install(TARGETS quillet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES org.quillet.Quillet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(org.quillet.Quillet.metainfo.xml ${CMAKE_CURRENT_BINARY_DIR}/org.quillet.Quillet.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.quillet.Quillet.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/hicolor/${size}x${size}/quillet.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/quillet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and the changelog go compressed, without a time stamp, as Debian's policy asks.
configure_file(debian/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
set(compressed_dir ${CMAKE_CURRENT_BINARY_DIR}/compressed)
set(compressed)
foreach(source ${CMAKE_CURRENT_SOURCE_DIR}/man/quillet.1 ${CMAKE_CURRENT_SOURCE_DIR}/man/dcscram.1
               ${CMAKE_CURRENT_SOURCE_DIR}/man/vardelm.1 ${CMAKE_CURRENT_BINARY_DIR}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${compressed_dir}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${compressed_dir}/${name}
    COMMAND gzip -9nf ${compressed_dir}/${name}
    DEPENDS ${source})
  list(APPEND compressed ${compressed_dir}/${name}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${compressed_dir}/quillet.1.gz ${compressed_dir}/dcscram.1.gz ${compressed_dir}/vardelm.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${compressed_dir}/changelog.gz debian/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillet)
install(FILES debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME quillet)

# The links: bin/vardelm and bin/dcscram to the programs, and the tools folder's sh-elf-objcopy to
# the system's (binutils-sh-elf), all relative. The program finds its tools through its real path,
# not the link.
set(system_objcopy /usr/bin/sh-elf-objcopy)
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${root}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK ../${program_dir}/vardelm \"\${root}/${CMAKE_INSTALL_BINDIR}/vardelm\" SYMBOLIC)
  file(CREATE_LINK ../${program_dir}/tools/dcscram \"\${root}/${CMAKE_INSTALL_BINDIR}/dcscram\" SYMBOLIC)
  file(RELATIVE_PATH objcopy \"\${CMAKE_INSTALL_PREFIX}/${program_dir}/tools\" ${system_objcopy})
  file(CREATE_LINK \${objcopy} \"\${root}/${program_dir}/tools/sh-elf-objcopy\" SYMBOLIC)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarquell <tarquell@quillet.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scan and convert scrambled Dreamcast executables")
# The one text that describes Quillet, as the Windows zip's read-me begins.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/about.txt CPACK_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_PACKAGE_DESCRIPTION}" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; objcopy is run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS binutils-sh-elf)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
