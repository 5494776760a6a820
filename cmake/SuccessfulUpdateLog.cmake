# The successful update's log has one home, tests/support/successful-update.txt, which the shell
# tests read as it is. For the C++ tests its lines become an array in a header of the build's,
# remade whenever the file changes: #include "tests/support/SuccessfulUpdateLines.h".
set(successful_update_log ${PROJECT_SOURCE_DIR}/tests/support/successful-update.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${successful_update_log})
file(STRINGS ${successful_update_log} successful_update_lines REGEX "^[^#]")
set(successful_update_literals "")
foreach(line IN LISTS successful_update_lines)
  string(REPLACE "\\" "\\\\" line "${line}")
  string(REPLACE "\"" "\\\"" line "${line}")
  string(APPEND successful_update_literals "    \"${line}\",\n")
endforeach()
set(generated_includes ${PROJECT_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${generated_includes}/tests/support/SuccessfulUpdateLines.h CONTENT
"#pragma once
// Made by the build from tests/support/successful-update.txt: change that file, not this one.
#include <string_view>
namespace testsupport {
inline constexpr std::string_view kSuccessfulUpdateLines[] = {
@successful_update_literals@};
}  // namespace testsupport
" @ONLY)
include_directories(${generated_includes})
