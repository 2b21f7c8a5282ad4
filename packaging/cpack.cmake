# Debian package settings and the files Debian policy asks for, included at
# the end of the top-level CMakeLists.txt, after the program's install() rules.
set(CPACK_PACKAGE_NAME quaycast-tool)
set(CPACK_PACKAGE_VENDOR "vestranautic")
set(CPACK_PACKAGE_CONTACT "Quaycast Tool developers <quaycast@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Receive, record and send NMEA 0183 sentences over UDP multicast")
set(CPACK_PACKAGE_DESCRIPTION [=[
Quaycast Tool is a desktop program for marine electronics technicians who
need to see whether an IPv4 multicast group on a ship's network carries
NMEA 0183 data, to record what arrives, and to put test sentences onto a
group.

The receiver joins a group on the wired Ethernet interface, lists each
datagram with its sender and checksum verdict, warns when nothing arrives
within a time-out and can record the sentences to capture files. Datagrams
in IEC 61162-450 framing are split into one row per line, with the TAG
block's source and line count and the sentences lost per source. A
statistics window counts the sentences per kind, with rates and a plot.

The sender transmits template sentences (heading, position, speed, depth,
wind) and a custom sentence, checked against the NMEA syntax, at an
interval of 0.1 to 60 seconds, optionally in IEC 61162-450 framing with a
source identity, and with Live Time the current UTC time in ZDA and RMC
sentences. The framing option, the identity and Live Time are kept in
preferences.ini beside the settings. A replay sends a capture file or any
NMEA text file again, at its recorded pace, faster, or in a loop.

The command qcx does the same without a display: it records groups to
capture files or prints their lines as JSON, checks from scripts whether a
group carries data, sends sentences and replays recordings.]=])
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.com/quaycast")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The QML modules and the platform plugins are loaded at run time, so no
# library dependency names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-window, qml6-module-qtquick-templates, qml6-module-qtqml-workerscript, qml6-module-qtquick-dialogs, qml6-module-qt-labs-folderlistmodel, qt6-qpa-plugins, libqt6svg6")

# Qt's project setup gives installed programs a $ORIGIN run path for bundled
# libraries; this one uses the system's Qt only, and Debian forbids the path.
set_target_properties(appQuaycast qcx PROPERTIES INSTALL_RPATH "")

# Debian policy: the copyright file and, for a package without a Debian
# revision, the changelog in Debian's format, compressed reproducibly.
set(QCX_DEB_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
set(QCX_DEB_CHANGELOG ${CMAKE_CURRENT_LIST_DIR}/changelog)
file(STRINGS ${QCX_DEB_CHANGELOG} qcx_changelog_head LIMIT_COUNT 1)
if(NOT qcx_changelog_head MATCHES "^${CPACK_PACKAGE_NAME} \\(${PROJECT_VERSION}\\) ")
    message(WARNING "packaging/changelog does not start with version ${PROJECT_VERSION}: add an entry for it")
endif()
find_program(QCX_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${QCX_DEB_CHANGELOG} ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    COMMAND ${QCX_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    DEPENDS ${QCX_DEB_CHANGELOG}
    VERBATIM)
add_custom_target(qcx_deb_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${QCX_DEB_DOCDIR})

include(CPack)
