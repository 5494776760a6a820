#pragma once

// The tool itself, app::RunProgram, run inside a bench program on a transport of its choosing.

#include <memory>

#include "midi/platform/Transport.h"

namespace bench {

// Runs the tool on `transport` in the calling thread, which owns the QApplication, until it is
// closed; its log lines on standard output go nowhere meanwhile. Gives the tool's exit status.
int RunToolQuietly(std::unique_ptr<platform::Transport> transport);

// Closes the running tool as SIGTERM does. Any thread, only while RunToolQuietly runs.
void CloseTool();

}  // namespace bench
