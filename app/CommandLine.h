#pragma once

// The program's command line: none is needed. Only what every command-line program answers is
// understood, and --list-ports, which shows the ports the tool sees so that a user whose device
// is not found has something to go on. Anything else is refused before the window opens, so no
// argument can change how the program runs.

#include <cstddef>
#include <string>
#include <vector>

namespace app {

struct CommandLineAnswer {
  enum class Action { Run, Print, ListPorts, Refuse };
  Action action = Action::Run;
  std::string text;  // printed on standard output (Print) or standard error (Refuse)
  int exitStatus = 0;
};

// `arguments` without the program's own name.
CommandLineAnswer AnswerCommandLine(const std::vector<std::string>& arguments);

// The widest line of --help: a terminal's 80 columns, less one.
inline constexpr std::size_t kHelpWidth = 79;

// Each system's program answers --help with its own text: where it finds the ports and what
// closes it differ.
enum class HelpSystem { Linux, Windows };
std::string HelpText(HelpSystem system);

}  // namespace app
