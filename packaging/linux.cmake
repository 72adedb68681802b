# Installing on Linux: the window and its tools folder together under lib/quillet (the program
# looks for its tools beside itself), launchers in bin, a desktop entry and the icon; and a .deb.
include(GNUInstallDirs)
set(program_dir ${CMAKE_INSTALL_LIBDIR}/quillet)

install(TARGETS vardelm RUNTIME DESTINATION ${program_dir})
install(TARGETS dcscram RUNTIME DESTINATION ${program_dir}/tools)
install(TARGETS quillet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(QUILLET_LAUNCHER ${CMAKE_INSTALL_FULL_BINDIR}/vardelm)
configure_file(quillet.desktop.in ${CMAKE_CURRENT_BINARY_DIR}/quillet.desktop @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quillet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/quillet.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)

# The links: bin/vardelm and bin/dcscram to the programs, and the tools folder's sh-elf-objcopy to
# the system's (binutils-sh-elf). The program finds its tools through its real path, not the link.
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${root}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK ../${program_dir}/vardelm \"\${root}/${CMAKE_INSTALL_BINDIR}/vardelm\" SYMBOLIC)
  file(CREATE_LINK ../${program_dir}/tools/dcscram \"\${root}/${CMAKE_INSTALL_BINDIR}/dcscram\" SYMBOLIC)
  file(CREATE_LINK /usr/bin/sh-elf-objcopy \"\${root}/${program_dir}/tools/sh-elf-objcopy\" SYMBOLIC)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarquell <tarquell@quillet.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tells whether a Dreamcast executable is scrambled, and converts it")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), binutils-sh-elf")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
