#include "app/CommandLine.h"

#include "app/DevelopmentBuild.h"
#include "app/Version.h"

namespace app {

namespace {

constexpr int kUsageError = 2;

// Where the ports are found and what closes the program differ between the systems.
#ifdef _WIN32
constexpr const char* kWhereThePortsAre = "among the system's MIDI devices";
constexpr const char* kHowItCloses = "Ctrl+C, Ctrl+Break or closing its console closes it like its close box.\n";
#else
constexpr const char* kWhereThePortsAre = "on the ALSA\nsequencer or a running JACK server";
constexpr const char* kHowItCloses = "SIGTERM or SIGINT closes it like its close box. See bass-firmware(1).\n";
#endif

std::string Help() {
  return std::string(
             "Usage: bass-firmware [--help | --version]\n"
             "Loads new firmware into the QLT-1 bass MIDI interface over MIDI System Exclusive.\n"
             "Start it, then switch the device on: the tool finds the device's MIDI ports (") +
         kWhereThePortsAre +
         "), sends the firmware block by block and reports every\n"
         "step in its window, one line each, also on standard output.\n"
         "\n"
         "The firmware is built in. A build made without the device's own table (the build's\n"
         "FIRMWARE_TABLE) carries the development table, a filler for tests that leaves a real\n"
         "QLT-1 without working firmware; --version and a line on standard error at start say so.\n"
         "\n"
         "  --help      show this text and end\n"
         "  --version   show the version and end\n"
         "\n" +
         kHowItCloses;
}

}  // namespace

CommandLineAnswer AnswerCommandLine(const std::vector<std::string>& arguments) {
  const auto refuse = [](const std::string& why) {
    return CommandLineAnswer{CommandLineAnswer::Action::Refuse,
                             "bass-firmware: " + why + "\nTry 'bass-firmware --help' for more information.\n",
                             kUsageError};
  };
  for (const std::string& argument : arguments)
    if (argument != "--help" && argument != "--version") return refuse("unknown argument '" + argument + "'");
  if (arguments.size() > 1) return refuse("--help and --version go alone");
  if (arguments.empty()) return {};
  if (arguments.front() == "--help") return {CommandLineAnswer::Action::Print, Help(), 0};
  return {CommandLineAnswer::Action::Print,
          std::string("bass-firmware ") + kVersion + "\n" + DevelopmentTableVersionLine(), 0};
}

}  // namespace app
