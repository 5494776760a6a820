#pragma once

// The program's one way to write a line to its standard output or standard error: through a
// LineWriter of the process's own, so that no thread, the window thread above all, ever waits for
// the stream. Lines keep their order across both streams; while a stream stands still, what waits
// is bounded (kStandardLinesCapacity) and what does not fit is left out. The lines still queued
// when the program ends get a last chance to be written (FinishStandardLines; at exit it runs by
// itself).

#include <chrono>
#include <cstddef>
#include <string_view>

#include "framework/LineWriter.h"

namespace framework {

// Many whole updates' logs, and little memory.
inline constexpr std::size_t kStandardLinesCapacity = 256 * 1024;
// How long the end of the program waits for a stream that takes nothing.
inline constexpr std::chrono::milliseconds kStandardLinesPatience{1000};

// Queues `line` (given without its line end) for `stream`; any thread.
void WriteStandardLine(StandardStream stream, std::string_view line);

// Waits until the lines queued so far are written, or until the streams have taken nothing for
// `patience`; false then.
bool FinishStandardLines(std::chrono::milliseconds patience = kStandardLinesPatience);

// The process's writer, for tests that look at its queue.
const LineWriter& StandardLineWriter();

// Writes `text` whole to the process's standard output or error as they are at the moment (a
// test may have put a file or pipe there), waiting as long as the stream makes it; false when the
// stream refuses it. The writer's sink; the only part that differs between the systems.
bool WriteToStandardStream(StandardStream stream, std::string_view text);

}  // namespace framework
