# The test programs. Every one is a row of tests/CMakeLists.txt, made by add_project_test below; the
# Linux build and the Windows build each build the rows that run on them. The Linux build's ctest
# runs them: its own programs directly (under Qt's offscreen platform), the Windows build's under
# wine (windows.unit.<name>, after the windows.build fixture has cross-built them into
# build-windows/). Labels select a group (ctest -L unit).
enable_testing()
include(cmake/SuccessfulUpdateLog.cmake)
if(WIN32)
  # GoogleTest from Debian's sources, built with the cross compiler.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(GTEST_LIBRARIES gtest gmock)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(GTEST_LIBRARIES GTest::gtest GTest::gmock)
  # Where the Linux build's ctest finds the Windows programs (tests/windows), and the one wine
  # prefix that serves them all.
  set(WINDOWS_BUILD_DIR ${PROJECT_SOURCE_DIR}/build-windows)
  set(WINDOWS_WINE_PREFIX ${PROJECT_BINARY_DIR}/tests/windows/wine-prefix)
endif()

# add_project_test(<name> IN <folder under tests/> LABEL <label> [WINDOWS | WINDOWS_ONLY] [IN_GUEST]
#                  [MAIN gui] [TIMEOUT <seconds>] [WINE_TIMEOUT <seconds>] [FILTER <gtest filter>]
#                  SOURCES <files in the folder...> [SUPPORT <files in tests/support...>]
#                  LIBS <targets...>)
# The program is built into the build's tests/<folder>, as its sources lie in the tree.
# WINDOWS: built by both builds; WINDOWS_ONLY: by the Windows build only. Either way the Linux
# build runs the Windows program under wine as windows.unit.<name>, for WINE_TIMEOUT seconds (180
# unless given). IN_GUEST: no test of its own here; a guest run (tests/alsa, tests/windows/guest)
# names the program. FILTER: only the matching cases are tests here (the others run in a guest).
# MAIN gui gives the test a QApplication, for tests that show widgets; otherwise it has a
# QCoreApplication (on Windows, every program's main thread is the window thread). Each test may
# take 120 s unless TIMEOUT says otherwise.
function(add_project_test name)
  cmake_parse_arguments(TEST "WINDOWS;WINDOWS_ONLY;IN_GUEST" "IN;LABEL;MAIN;TIMEOUT;WINE_TIMEOUT;FILTER"
    "SOURCES;SUPPORT;LIBS" ${ARGN})
  set(folder ${PROJECT_SOURCE_DIR}/tests/${TEST_IN})
  if(NOT WIN32 AND (TEST_WINDOWS OR TEST_WINDOWS_ONLY) AND NOT TEST_IN_GUEST)
    windows_unit_suite(${name} ${TEST_IN} ${TEST_WINE_TIMEOUT})
  endif()
  if(WIN32 AND NOT (TEST_WINDOWS OR TEST_WINDOWS_ONLY))
    return()
  endif()
  if(NOT WIN32 AND TEST_WINDOWS_ONLY)
    return()
  endif()

  set(sources)
  foreach(source ${TEST_SOURCES})
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder})
    list(APPEND sources ${source})
  endforeach()
  list(TRANSFORM TEST_SUPPORT PREPEND ${PROJECT_SOURCE_DIR}/tests/support/)
  add_executable(${name} ${sources} ${TEST_SUPPORT})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests/${TEST_IN})
  set(support test_support)
  if(TEST_MAIN STREQUAL "gui" AND NOT WIN32)
    set(support test_support_gui)
  endif()
  target_link_libraries(${name} PRIVATE ${TEST_LIBS} ${support} ${GTEST_LIBRARIES})
  if(WIN32 OR TEST_IN_GUEST)
    return()
  endif()

  if(NOT TEST_TIMEOUT)
    set(TEST_TIMEOUT 120)
  endif()
  set(filter)
  if(TEST_FILTER)
    set(filter TEST_FILTER ${TEST_FILTER})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST ${filter}
    PROPERTIES LABELS ${TEST_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${TEST_TIMEOUT})
endfunction()

# windows_unit_suite(<name> <folder under tests/> [<seconds>]): the Windows build's program run under
# wine as one test. The script's own limit comes first, so that a suite that hangs still reports
# its output.
function(windows_unit_suite name folder)
  set(seconds 180)
  if(ARGN)
    set(seconds ${ARGN})
  endif()
  math(EXPR script_limit "${seconds} - 30")
  set(program_folder ${WINDOWS_BUILD_DIR}/tests/${folder})
  add_test(NAME windows.unit.${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/unit/run-suite.sh ${WINDOWS_WINE_PREFIX} ${script_limit}
      ${program_folder}/${name}.exe
    WORKING_DIRECTORY ${program_folder})
  set_tests_properties(windows.unit.${name} PROPERTIES
    LABELS windows FIXTURES_REQUIRED windows_build TIMEOUT ${seconds})
endfunction()

add_subdirectory(tests)
