# What the Windows build hands out, made in the build folder with every build: the installer
# bass-firmware-<version>-setup.exe (NSIS, from packaging/windows/installer.nsi) and
# bass-firmware-<version>-windows-x64.zip holding bass-firmware.exe alone, where <version> says
# "development" in a build with the development table (cmake/ArtifactNames.cmake). makensis runs
# on the build host; MAINICON_ICO is the program's icon, which the build makes, for the
# installer's own.
if(NOT MAINICON_ICO)
  message(FATAL_ERROR "WindowsDistribution.cmake needs MAINICON_ICO, the program's .ico")
endif()
find_program(MAKENSIS makensis NO_CMAKE_FIND_ROOT_PATH REQUIRED)

include(${PROJECT_SOURCE_DIR}/cmake/ArtifactNames.cmake)
set(WINDOWS_SETUP ${PROJECT_BINARY_DIR}/${WINDOWS_SETUP_FILE})
set(WINDOWS_ZIP ${PROJECT_BINARY_DIR}/${WINDOWS_ZIP_FILE})
set(INSTALLER_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/windows/installer.nsi)

# -WX: a warning (a define misspelt, a page macro gone) fails the build.
add_custom_command(OUTPUT ${WINDOWS_SETUP}
  COMMAND ${MAKENSIS} -V2 -WX
    -DVERSION=${PROJECT_VERSION}
    -DVERSION_NAME=${WINDOWS_VERSION_NAME}
    -DPROGRAM=$<TARGET_FILE:bass-firmware>
    -DICON_FILE=${MAINICON_ICO}
    -DOUTFILE=${WINDOWS_SETUP}
    ${INSTALLER_SCRIPT}
  DEPENDS bass-firmware ${INSTALLER_SCRIPT} ${MAINICON_ICO}
  COMMENT "Making the installer ${WINDOWS_SETUP}"
  VERBATIM)

# From the program's folder, so that the zip holds the file without a path.
add_custom_command(OUTPUT ${WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${WINDOWS_ZIP} --format=zip $<TARGET_FILE_NAME:bass-firmware>
  WORKING_DIRECTORY $<TARGET_FILE_DIR:bass-firmware>
  DEPENDS bass-firmware
  COMMENT "Making ${WINDOWS_ZIP}"
  VERBATIM)

add_custom_target(windows_distribution ALL DEPENDS ${WINDOWS_SETUP} ${WINDOWS_ZIP})
