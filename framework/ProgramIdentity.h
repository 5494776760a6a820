#pragma once

// What the operating system tells of the running program, and what it shows of it: the seam under
// the application object. Qt's on Linux, the system's on Windows. Window thread; UTF-8 text.

#include <string>

namespace framework {

// The path of the program's own file.
std::string ProgramFilePath();

// `text` in lower case, by the system's rules for any script.
std::string LowerCase(const std::string& text);

// The name the window system groups the program's windows under in its task bar: on Linux the
// window class; on Windows nothing is set, and the program's path groups them.
void ShowInTaskBarAs(const std::string& title);

}  // namespace framework
