# Every dependency is a Debian package installed by scripts/install-deps.
set(CMAKE_AUTOMOC OFF)
find_package(Threads REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Core Widgets)
