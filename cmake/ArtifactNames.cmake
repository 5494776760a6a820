# What the artifacts made from this build are called. A build that embeds the development firmware
# table (no FIRMWARE_TABLE given: firmware/CMakeLists.txt) is named so that nobody can mistake it
# for a release: the Debian package's version and file (~development sorts below the release, so
# the real package replaces it) and the Windows installer's and zip's files.
if(FIRMWARE_TABLE_IS_DEVELOPMENT)
  set(DEBIAN_VERSION ${PROJECT_VERSION}~development)
  set(WINDOWS_VERSION_NAME ${PROJECT_VERSION}-development)
else()
  set(DEBIAN_VERSION ${PROJECT_VERSION})
  set(WINDOWS_VERSION_NAME ${PROJECT_VERSION})
endif()
set(DEBIAN_PACKAGE_FILE bass-firmware_${DEBIAN_VERSION}_amd64.deb)
set(WINDOWS_SETUP_FILE bass-firmware-${WINDOWS_VERSION_NAME}-setup.exe)
set(WINDOWS_ZIP_FILE bass-firmware-${WINDOWS_VERSION_NAME}-windows-x64.zip)
