# Unit tests run on the simulated transport under Qt's offscreen platform; labels select a group
# (ctest -L unit).
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# add_project_test(<name> LABEL <label> SOURCES <files...> LIBS <targets...>)
function(add_project_test name)
  cmake_parse_arguments(TEST "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${TEST_SOURCES})
  target_link_libraries(${name} PRIVATE ${TEST_LIBS} test_support GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${TEST_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endfunction()

add_subdirectory(tests)
