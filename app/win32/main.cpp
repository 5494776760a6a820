// bass-firmware.exe: loads new firmware into the QLT-1. No settings; the command line answers
// only --help, --version and --list-ports.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DevelopmentBuild.h"
#include "app/win32/ListPortsCommand.h"
#include "app/win32/Program.h"
#include "app/win32/RefusalNotice.h"
#include "app/win32/StandardStreams.h"
#include "framework/win32/Utf.h"

namespace {

// The arguments as the user typed them, in UTF-8, without the program's own name.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* const wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(framework::Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

}  // namespace

int main() {
  // winmm is not one of the system's known DLLs, so the loader would take a winmm.dll from the
  // program's folder (the zip's program runs from any folder, Downloads included) before the
  // system's. It is delay-loaded (cmake/WinmmVariant.cmake): the first MIDI call loads it, and
  // from here on only from the system folder. The flag is valid on every system that runs the
  // program, so the call cannot fail there.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  app::ConnectMissingStandardStreams();
  const app::CommandLineAnswer answer = app::AnswerCommandLine(Arguments());
  int status = 0;
  switch (answer.action) {
    case app::CommandLineAnswer::Action::Print:
      std::cout << answer.text << std::flush;
      return answer.exitStatus;
    case app::CommandLineAnswer::Action::Refuse:
      app::ExplainRefusal(answer.text);
      return answer.exitStatus;
    case app::CommandLineAnswer::Action::ListPorts:
      status = app::ListPortsCommand();
      break;
    case app::CommandLineAnswer::Action::Run:
      app::AnnounceDevelopmentTable();
      status = app::RunProgram();
      break;
  }
  // Everything of ours is closed by now. The program ends here, without the system libraries'
  // own end, because wine's ALSA MIDI driver faults there (wine 8: any process that used the
  // MIDI services ends with a segmentation fault instead of its status). Windows itself loses
  // nothing by it: a process's handles go with it.
  std::cout.flush();
  std::fflush(nullptr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  return status;
}
