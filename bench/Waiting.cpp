// bench_waiting: the tool waiting for a device that is not there, on a simulated transport with
// eight input and eight output ports of other devices. Runs until SIGTERM; bench/waiting.sh
// measures the CPU time it takes.
#include <QApplication>

#include <memory>
#include <string>

#include "bench/support/ToolRun.h"
#include "midi/platform/simulated/SimulatedTransport.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto transport = std::make_unique<platform::SimulatedTransport>();
  for (int port = 1; port <= 8; ++port) {
    transport->AddInput("Other device port " + std::to_string(port));
    transport->AddOutput("Other device port " + std::to_string(port));
  }
  return bench::RunToolQuietly(std::move(transport));
}
