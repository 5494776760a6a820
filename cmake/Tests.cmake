# Unit tests run on the simulated transport under Qt's offscreen platform; labels select a group
# (ctest -L unit).
enable_testing()
include(cmake/SuccessfulUpdateLog.cmake)
# The Windows build's test programs run under wine; they are made their own way.
if(WIN32)
  include(cmake/WindowsTests.cmake)
  return()
endif()
find_package(GTest REQUIRED)
include(GoogleTest)

# add_project_test(<name> LABEL <label> [MAIN gui] [TIMEOUT <seconds>] SOURCES <files...> LIBS <targets...>)
# MAIN gui gives the test a QApplication, for tests that show widgets; otherwise it has a
# QCoreApplication. Each test may take 120 s unless TIMEOUT says otherwise.
function(add_project_test name)
  cmake_parse_arguments(TEST "" "LABEL;MAIN;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT TEST_TIMEOUT)
    set(TEST_TIMEOUT 120)
  endif()
  set(support test_support)
  if(TEST_MAIN STREQUAL "gui")
    set(support test_support_gui)
  endif()
  add_executable(${name} ${TEST_SOURCES})
  target_link_libraries(${name} PRIVATE ${TEST_LIBS} ${support} GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${TEST_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${TEST_TIMEOUT})
endfunction()

add_subdirectory(tests)
