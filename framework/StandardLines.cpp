#include "framework/StandardLines.h"

#include <cstdlib>

namespace framework {

namespace {

void FinishAtExit() { FinishStandardLines(); }

// Never destroyed: at the program's end its thread may still be held by a stream that takes
// nothing, and the process ends around it.
LineWriter& ProcessWriter() {
  static LineWriter* const writer = [] {
    auto* const made = new LineWriter(WriteToStandardStream, kStandardLinesCapacity);
    std::atexit(FinishAtExit);
    return made;
  }();
  return *writer;
}

}  // namespace

void WriteStandardLine(StandardStream stream, std::string_view line) { ProcessWriter().Write(stream, line); }

bool FinishStandardLines(std::chrono::milliseconds patience) { return ProcessWriter().Finish(patience); }

const LineWriter& StandardLineWriter() { return ProcessWriter(); }

}  // namespace framework
