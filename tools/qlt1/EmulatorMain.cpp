// qlt1-emulator: a command-line stand-in for the QLT-1 on real MIDI ports, for developers, tests
// and demonstrations.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "tools/qlt1/Emulator.h"

namespace {
std::atomic<bool> stopRequested{false};
void RequestStop(int) { stopRequested = true; }
}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const auto options = qlt1::ParseEmulatorOptions(arguments, error);
  if (!options) {
    (error.empty() ? std::cout : std::cerr)
        << (error.empty() ? "" : "qlt1-emulator: " + error + "\n\n") << qlt1::kEmulatorHelp;
    return error.empty() ? 0 : 2;
  }
  // The e2e scripts learn the table's blocks here instead of reading the table file themselves.
  if (options->listBlocks) {
    for (const int block : firmware::BlocksOfAnUpdate(firmware::FirmwareImage())) std::cout << block << '\n';
    return 0;
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  try {
    qlt1::Emulator emulator(*options,
                            [](const std::string& line) { std::cout << "qlt1-emulator: " << line << std::endl; });
    return emulator.Run(stopRequested);
  } catch (const std::exception& e) {
    std::cerr << "qlt1-emulator: " << e.what() << '\n';
    return 1;
  }
}
