#pragma once

// The program's command line: none is needed, and only what every command-line program answers
// is understood. Anything else is refused before the window opens, so no argument can change how
// the program runs.

#include <string>
#include <vector>

namespace app {

struct CommandLineAnswer {
  enum class Action { Run, Print, Refuse };
  Action action = Action::Run;
  std::string text;  // printed on standard output (Print) or standard error (Refuse)
  int exitStatus = 0;
};

// `arguments` without the program's own name.
CommandLineAnswer AnswerCommandLine(const std::vector<std::string>& arguments);

}  // namespace app
