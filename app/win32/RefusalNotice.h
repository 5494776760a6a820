#pragma once

// Where the program says why it refuses its command line. A program for the window system that is
// started without a console (a file dropped on it, "Open with", a shortcut with arguments) has no
// standard error that anyone reads, and would end without a word: it says why in an error box.

#include <string>

namespace app {

// Whether what the program writes to standard error reaches anyone: a console it writes to, or a
// file or pipe it was given.
bool StandardErrorIsConnected();

// Writes `text` to standard error where that is connected; otherwise shows it in the program's
// error box, captioned with its title, and returns once the user has closed the box.
void ExplainRefusal(const std::string& text);

}  // namespace app
