#include "bench/support/ToolRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "app/qt/Program.h"
#include "framework/StandardLines.h"

namespace bench {

int RunToolQuietly(std::unique_ptr<platform::Transport> transport) {
  std::fflush(stdout);
  const int savedStdout = dup(STDOUT_FILENO);
  const int nowhere = open("/dev/null", O_WRONLY);
  dup2(nowhere, STDOUT_FILENO);
  close(nowhere);
  const int status = app::RunProgram(std::move(transport));
  // The log's echo is written by a thread of its own, some of it after the window has closed.
  framework::FinishStandardLines();
  std::fflush(stdout);
  dup2(savedStdout, STDOUT_FILENO);
  close(savedStdout);
  return status;
}

// The tool's own handler only wakes its window thread, from whichever thread the signal finds.
void CloseTool() { std::raise(SIGTERM); }

}  // namespace bench
