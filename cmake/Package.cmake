# What an installed VeltraTerminal is: the three programs, their data, their manual pages, the
# desktop entry, icon and log-file type, and the Debian package made of them (scripts/package).

include(GNUInstallDirs)

set(VELTRA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/veltra-terminal)
# The maintainer the package names: a placeholder until the project has one
# (cmake -DVELTRA_MAINTAINER="Name <address>").
set(VELTRA_MAINTAINER "VeltraTerminal developers <veltra-terminal@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

# ---- what is installed ----------------------------------------------------------------------

install(TARGETS veltra-terminal veltra veltra-logger-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The terminal finds its data in share/veltra-terminal beside its bin folder (shell/Startup.h).
install(FILES lang/en/LANG.TXT DESTINATION ${VELTRA_DATA_DIR}/lang/en)
install(FILES lang/ja/LANG.TXT DESTINATION ${VELTRA_DATA_DIR}/lang/ja)
file(GLOB track_lines CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/tracks/*.csv)
install(FILES ${track_lines} data/tracks/README.md data/tracks/LICENSE data/tracks/LICENSE.GPL-3
        DESTINATION ${VELTRA_DATA_DIR}/tracks)
install(FILES packaging/veltra-terminal.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/veltra-terminal.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/veltra-terminal.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# Debian's documentation of the package: the copyright file and the changelog, compressed.
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltra-terminal)

# ---- the Debian package (cpack, run by scripts/package) -------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltra-terminal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_CONTACT ${VELTRA_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The Qt libraries and the rest the programs link come from dpkg-shlibdeps; what they load at run
# time is named here: Qt's platform plugins (xcb, offscreen), the picture font and the
# Japanese captions' font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "terminal for the Veltra lap timer and data logger
The desktop terminal of the Veltra lap timer and data logger for cars and
bikes on closed courses: live gauges and traces over a serial line or a
telephone modem, downloads of the logger's memory into log files, lap and
segment lists, graphs, an rpm histogram, the course layout, course data
and logger parameters, and a printed lap report.
.
The package holds the terminal (veltra-terminal), the command-line tool
(veltra) that runs the terminal's procedures without a window, and a
simulated logger (veltra-logger-sim) to try the terminal without one.")
include(CPack)
