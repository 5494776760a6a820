# What `make package` installs and how CPack makes the Debian package of it: the two programs,
# the desktop entry, the icon in hicolor sizes, the AppStream metainfo, the manual pages (from
# packaging/linux/, with the version filled in), the copyright file and the changelog. The
# version is the project's (project() above), marked for a development build
# (cmake/ArtifactNames.cmake); RELEASE_DATE is the release's day.
include(GNUInstallDirs)
include(${PROJECT_SOURCE_DIR}/cmake/ArtifactNames.cmake)

set(RELEASE_DATE 2026-12-08)
set(APP_ID org.bassfirmware.BassFirmware)
set(PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging/linux)
set(PACKAGING_BUILD ${PROJECT_BINARY_DIR}/packaging)
execute_process(COMMAND date -u -R -d "${RELEASE_DATE}" OUTPUT_VARIABLE CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(GZIP gzip REQUIRED)

configure_file(${PACKAGING_SOURCE}/${APP_ID}.metainfo.xml.in ${PACKAGING_BUILD}/${APP_ID}.metainfo.xml @ONLY)
configure_file(${PACKAGING_SOURCE}/changelog.in ${PACKAGING_BUILD}/changelog @ONLY)

# Compressed as Debian wants them: best compression, no name or time stamp inside.
set(COMPRESSED "")
foreach(page bass-firmware.1 qlt1-emulator.1)
  configure_file(${PACKAGING_SOURCE}/${page}.in ${PACKAGING_BUILD}/${page} @ONLY)
  list(APPEND COMPRESSED ${page})
endforeach()
list(APPEND COMPRESSED changelog)
set(COMPRESSED_FILES "")
foreach(file ${COMPRESSED})
  add_custom_command(OUTPUT ${PACKAGING_BUILD}/${file}.gz
    COMMAND ${GZIP} -9nkf ${PACKAGING_BUILD}/${file}
    DEPENDS ${PACKAGING_BUILD}/${file})
  list(APPEND COMPRESSED_FILES ${PACKAGING_BUILD}/${file}.gz)
endforeach()

set(ICON_DRAWER ${PROJECT_SOURCE_DIR}/tools/make-icon.py)
add_custom_command(OUTPUT ${PACKAGING_BUILD}/icon-48.png ${PACKAGING_BUILD}/icon.svg
  COMMAND ${Python3_EXECUTABLE} ${ICON_DRAWER} ${PACKAGING_BUILD}/icon-48.png 48
  COMMAND ${Python3_EXECUTABLE} ${ICON_DRAWER} ${PACKAGING_BUILD}/icon.svg
  DEPENDS ${ICON_DRAWER})
add_custom_target(packaging_files ALL DEPENDS ${COMPRESSED_FILES} ${PACKAGING_BUILD}/icon-48.png ${PACKAGING_BUILD}/icon.svg)

install(TARGETS bass-firmware qlt1-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PACKAGING_SOURCE}/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PACKAGING_BUILD}/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(HICOLOR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PACKAGING_BUILD}/icon-48.png DESTINATION ${HICOLOR}/48x48/apps RENAME ${APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/MAINICON.png DESTINATION ${HICOLOR}/256x256/apps RENAME ${APP_ID}.png)
install(FILES ${PACKAGING_BUILD}/icon.svg DESTINATION ${HICOLOR}/scalable/apps RENAME ${APP_ID}.svg)
install(FILES ${PACKAGING_BUILD}/bass-firmware.1.gz ${PACKAGING_BUILD}/qlt1-emulator.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PACKAGING_SOURCE}/copyright ${PACKAGING_BUILD}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/bass-firmware)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bass-firmware)
set(CPACK_PACKAGE_VERSION ${DEBIAN_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The folders the package makes are the system's: 755 whatever the builder's umask.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageFolderModes.cmake)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the QLT-1 bass MIDI interface")
# The synopsis comes from the summary; CPack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Bass Firmware loads new firmware into the QLT-1, a bass MIDI interface, over
MIDI System Exclusive. The user starts it and switches the device on; the
tool finds the device's ports on the ALSA sequencer or a JACK server, sends
the firmware block by block, and reports every step in its log.

The package also holds qlt1-emulator, a command-line stand-in for the device
on real MIDI ports, to try the tool without the device.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Bass Firmware developers <maintainers@bassfirmware.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://bassfirmware.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)
