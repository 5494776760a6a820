# Every dependency is a Debian package installed by scripts/install-deps.
set(CMAKE_AUTOMOC OFF)
find_package(Threads REQUIRED)
# The Windows build is on Win32 alone.
if(NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Core Widgets)
endif()
