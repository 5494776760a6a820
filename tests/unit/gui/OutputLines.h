#pragma once

// The lines a program wrote to standard output or standard error, as tests capture them.

#include <sstream>
#include <string>
#include <vector>

namespace guitest {

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// Without Qt's own messages, which the test main marks with "Qt: ".
inline std::vector<std::string> ProgramLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::string& line : Lines(text))
    if (line.rfind("Qt: ", 0) != 0) lines.push_back(std::move(line));
  return lines;
}

}  // namespace guitest
