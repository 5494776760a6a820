# The Windows test programs: the unit suites built with the cross compiler on the emulated port
# layer and the simulated transport, each a <name>.exe that the Linux build's ctest runs under
# wine (tests/windows/unit). GoogleTest comes from Debian's sources, built here.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# add_project_test(<name> LABEL <label> [MAIN gui] [TIMEOUT <seconds>] SOURCES <files...> LIBS <targets...>)
# The signature of cmake/Tests.cmake's, so that the suites' own CMakeLists.txt serve both systems.
# Every test program has the Win32 test main, whose thread is the window thread; LABEL, MAIN and
# TIMEOUT are the Linux build's business, which registers and times these programs.
function(add_project_test name)
  cmake_parse_arguments(TEST "" "LABEL;MAIN;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${TEST_SOURCES})
  target_link_libraries(${name} PRIVATE ${TEST_LIBS} test_support gtest gmock)
endfunction()

add_library(test_support STATIC
  tests/support/win32/EventLoop.cpp
  tests/support/win32/UnderWine.cpp
  tests/support/win32/WindowsTestMain.cpp
)
target_link_libraries(test_support PUBLIC gtest gmock user32)

add_library(simulated_qlt1 STATIC tests/support/SimulatedQlt1.cpp)
target_link_libraries(simulated_qlt1 PUBLIC qlt1_model midi_platform_simulated)

# The suites on the simulated transport. Left out: the window's (app/win32 has its own), the
# transports of Linux's MIDI systems (rtmidi), the benchmarks' support, and what runs over JACK.
add_subdirectory(tests/unit/framework)
add_subdirectory(tests/unit/simulated)
add_subdirectory(tests/unit/platform)
add_subdirectory(tests/unit/midi)
add_subdirectory(tests/unit/ports)
add_subdirectory(tests/unit/firmware)
add_subdirectory(tests/unit/tools)
add_subdirectory(tests/unit/app)
add_subdirectory(tests/reliability)

# The Win32 window, and the port layer on the system's MIDI services.
add_subdirectory(tests/windows/window)
add_subdirectory(tests/windows/services)
