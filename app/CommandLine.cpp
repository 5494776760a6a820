#include "app/CommandLine.h"

#include <algorithm>

#include "app/DevelopmentBuild.h"
#include "app/Version.h"

namespace app {

namespace {

constexpr int kUsageError = 2;

#ifdef _WIN32
constexpr HelpSystem kThisSystem = HelpSystem::Windows;
#else
constexpr HelpSystem kThisSystem = HelpSystem::Linux;
#endif

// `paragraph` broken between words into lines of at most kHelpWidth columns.
std::string Wrapped(const std::string& paragraph) {
  std::string text;
  std::size_t lineLength = 0;
  std::size_t start = 0;
  while (start < paragraph.size()) {
    const std::size_t end = std::min(paragraph.find(' ', start), paragraph.size());
    const std::string word = paragraph.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (lineLength > 0 && lineLength + 1 + word.size() > kHelpWidth) {
      text += '\n';
      lineLength = 0;
    }
    if (lineLength > 0) {
      text += ' ';
      ++lineLength;
    }
    text += word;
    lineLength += word.size();
  }
  return text + '\n';
}

}  // namespace

std::string HelpText(HelpSystem system) {
  const bool windows = system == HelpSystem::Windows;
  const std::string whereThePortsAre =
      windows ? "among the system's MIDI devices" : "on the ALSA sequencer or a running JACK server";
  const std::string howItCloses = windows ? "Ctrl+C, Ctrl+Break or closing its console closes it like its close box."
                                          : "SIGTERM or SIGINT closes it like its close box. See bass-firmware(1).";
  return "Usage: bass-firmware [--help | --version | --list-ports]\n" +
         Wrapped(
             "Loads new firmware into the QLT-1 bass MIDI interface over MIDI System Exclusive. Start it, then "
             "switch the device on: the tool finds the device's MIDI ports (" +
             whereThePortsAre +
             "), sends the firmware block by block and reports every step in its window, one line each, also "
             "on standard output.") +
         "\n" +
         Wrapped(
             "The firmware is built in. A build made without the device's own table (the build's "
             "FIRMWARE_TABLE) carries the development table, a filler for tests that leaves a real QLT-1 "
             "without working firmware; --version and a line on standard error at start say so.") +
         "\n"
         "  --help        show this text and end\n"
         "  --version     show the version and end\n"
         "  --list-ports  list the MIDI ports it sees, marking the device's, and end\n"
         "\n" +
         Wrapped(
             "When the device is not found, --list-ports shows every port with the number the tool gives it, "
             "marks \"match\" each whose name carries the device's and \"pair\" the two the tool would "
             "open, and says what to try. Its output is plain text, for a request for help.") +
         "\n" + Wrapped(howItCloses);
}

CommandLineAnswer AnswerCommandLine(const std::vector<std::string>& arguments) {
  const auto refuse = [](const std::string& why) {
    return CommandLineAnswer{CommandLineAnswer::Action::Refuse,
                             "bass-firmware: " + why + "\nTry 'bass-firmware --help' for more information.\n",
                             kUsageError};
  };
  for (const std::string& argument : arguments)
    if (argument != "--help" && argument != "--version" && argument != "--list-ports")
      return refuse("unknown argument '" + argument + "'");
  if (arguments.size() > 1) return refuse("--help, --version and --list-ports each go alone");
  if (arguments.empty()) return {};
  if (arguments.front() == "--help") return {CommandLineAnswer::Action::Print, HelpText(kThisSystem), 0};
  if (arguments.front() == "--list-ports") return {CommandLineAnswer::Action::ListPorts, "", 0};
  return {CommandLineAnswer::Action::Print,
          std::string("bass-firmware ") + kVersion + "\n" + DevelopmentTableVersionLine(), 0};
}

}  // namespace app
