# The installation below /usr and the Debian package made from it by CPack
# (scripts/package.sh): the two programs, the menu entry and the icons, a
# manual page for each program, the copyright and the changelog. Nothing is
# built for it: what is not a program is made when it is installed.

# Installing (and packing) builds nothing: the programs must have been built,
# the tests need not be.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# Folders made by the installation are 755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS nemara nemara-dump RUNTIME DESTINATION bin COMPONENT program)

# The menu entry and the icons; scripts/install.sh installs this component
# alone into a folder of its own and takes them from there.
set(steps "include(\"${CMAKE_CURRENT_LIST_DIR}/InstallSteps.cmake\")")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/nemara.desktop DESTINATION share/applications COMPONENT desktop)
install(CODE "${steps}
  nemara_install_icons(\"$<TARGET_FILE:nemara-icon>\" 16 32 48 64 128 256)" COMPONENT desktop)

install(CODE "${steps}
  nemara_install_gzipped(\"${CMAKE_CURRENT_LIST_DIR}/nemara.1\" share/man/man1)
  nemara_install_gzipped(\"${CMAKE_CURRENT_LIST_DIR}/nemara-dump.1\" share/man/man1)
  nemara_install_gzipped(\"${CMAKE_CURRENT_LIST_DIR}/changelog\" share/doc/nemara)" COMPONENT doc)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION share/doc/nemara COMPONENT doc)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nemara)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The Nemara developers <nemara@example.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "desktop reader of RSS and Atom news feeds
A small window that keeps a list of feed addresses, downloads a feed with a
double click and shows its items, their text, link and date. It reads RSS
2.0, RSS 1.0 and Atom with its own XML parser, imports and exports the list
as OPML, and opens feed addresses and feed files from the desktop.
.
nemara-dump prints a feed as JSON, for scripts.")
# Depends comes from the libraries the programs link (dpkg-shlibdeps). https
# needs the certificate store, and the window is drawn in its Tahoma fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, fonts-wine")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
