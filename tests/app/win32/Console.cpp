#include "tests/app/win32/Console.h"

#include <windows.h>
// After windows.h.
#include <io.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace windowtest {

namespace {

DWORD ProcessesOnConsole() {
  DWORD processes[8] = {};
  return ::GetConsoleProcessList(processes, 8);
}

std::wstring BesideThisProgram(const std::wstring& file) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

}  // namespace

// wine gives every process a console of its own kind first, which cannot list its processes, and
// leaves the standard output and error of a process that gives up the new console unusable.
OwnConsole::OwnConsole() : savedOutput_(::_dup(::_fileno(stdout))), savedError_(::_dup(::_fileno(stderr))) {
  ::FreeConsole();
  if (::AllocConsole() == FALSE || ProcessesOnConsole() != 1)
    throw std::runtime_error("OwnConsole: no console of this process's own");
}

OwnConsole::~OwnConsole() {
  std::fflush(nullptr);
  ::FreeConsole();
  ::_dup2(savedOutput_, ::_fileno(stdout));
  ::_dup2(savedError_, ::_fileno(stderr));
  ::_close(savedOutput_);
  ::_close(savedError_);
}

ConsoleCompanion::ConsoleCompanion() {
  std::wstring commandLine = L"\"" + BesideThisProgram(L"console_companion.exe") + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started) ==
      FALSE)
    throw std::runtime_error("ConsoleCompanion: console_companion.exe does not start");
  ::CloseHandle(started.hThread);
  process_ = started.hProcess;
  for (int wait = 0; wait < 300 && ProcessesOnConsole() < 2; ++wait) ::Sleep(50);
  if (ProcessesOnConsole() < 2)
    throw std::runtime_error("ConsoleCompanion: console_companion.exe is not on the console");
}

ConsoleCompanion::~ConsoleCompanion() {
  ::TerminateProcess(process_, 0);
  ::WaitForSingleObject(process_, 10000);
  ::CloseHandle(process_);
}

void TypeCtrlC() { ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0); }

}  // namespace windowtest
