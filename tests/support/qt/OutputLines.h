#pragma once

// The lines a program wrote to standard output or standard error, as tests capture them.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/StandardLines.h"

namespace guitest {

// The program's lines reach the streams from a thread of their own: a capture starts after the
// lines queued before it are written, and ends after those queued during it.
inline void CaptureStdout() {
  framework::FinishStandardLines();
  testing::internal::CaptureStdout();
}
inline void CaptureStderr() {
  framework::FinishStandardLines();
  testing::internal::CaptureStderr();
}
inline std::string CapturedStdout() {
  framework::FinishStandardLines();
  return testing::internal::GetCapturedStdout();
}
inline std::string CapturedStderr() {
  framework::FinishStandardLines();
  return testing::internal::GetCapturedStderr();
}

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
