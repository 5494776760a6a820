#pragma once

// What a build that embeds the development firmware table says of itself where a person looks
// before using it: in --version, and in one line on standard error when the program starts. The
// window and its log stay as they are. A build with the device's own table says nothing.

#include <string>

namespace app {

// The line --version adds, with its line end; empty in a build with the device's own table.
std::string DevelopmentTableVersionLine();

// Writes the program's one line about the development table to standard error, in a development
// build only. A closed stream drops it, as it drops every later line.
void AnnounceDevelopmentTable();

}  // namespace app
