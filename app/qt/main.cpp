// bass-firmware: loads new firmware into the QLT-1. No settings; the command line answers only
// --help, --version and --list-ports.
#include <QApplication>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DevelopmentBuild.h"
#include "app/qt/ListPortsCommand.h"
#include "app/qt/MidiSystemsToUse.h"
#include "app/qt/Program.h"
#include "midi/platform/systems/SystemsTransport.h"

int main(int argc, char** argv) {
  // A closed standard output or error (the tool's output piped into `head`) must never end an
  // update: a write there fails and its line is dropped, on every thread, whatever the libraries
  // we link do with their threads' signal masks.
  std::signal(SIGPIPE, SIG_IGN);
  const app::CommandLineAnswer answer = app::AnswerCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (answer.action == app::CommandLineAnswer::Action::ListPorts) return app::ListPortsCommand();
  if (answer.action != app::CommandLineAnswer::Action::Run) {
    (answer.action == app::CommandLineAnswer::Action::Print ? std::cout : std::cerr) << answer.text;
    return answer.exitStatus;
  }
  app::AnnounceDevelopmentTable();
  // Qt sees only the program's own name, so no argument can change how it runs.
  int qtArgumentCount = 1;
  QApplication application(qtArgumentCount, argv);
  return app::RunProgram(std::make_unique<platform::SystemsTransport>(app::MidiSystemsToUse()));
}
