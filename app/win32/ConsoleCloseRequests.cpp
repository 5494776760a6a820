#include "app/win32/ConsoleCloseRequests.h"

#include <windows.h>

#include <atomic>
#include <utility>

#include "framework/Messages.h"

namespace app {

namespace {

std::atomic<framework::HWND> windowForRequests{nullptr};

// Another process on the console makes it theirs. A console that lists no process at all (wine's
// for a program started from a terminal) is taken for the program's own.
bool AloneOnConsole() {
  DWORD processes[2] = {};
  return ::GetConsoleProcessList(processes, 2) <= 1;
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (AloneOnConsole()) framework::PostMessageA(windowForRequests.load(), framework::kFirstUserMessage, 0, 0);
      // Handled either way: the system's own handler would end the program on the spot.
      return TRUE;
    case CTRL_CLOSE_EVENT:
      framework::PostMessageA(windowForRequests.load(), framework::kFirstUserMessage, 0, 0);
      // The system ends the process once this returns: it waits here instead, so that the program
      // closes its ports and ends on its own, with its own status (the system ends it after a few
      // seconds all the same).
      ::Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

ConsoleCloseRequests::ConsoleCloseRequests(std::function<void()> onRequest)
    : onRequest_(std::move(onRequest)),
      window_(framework::AllocateHWnd([this](framework::TMessage&) { onRequest_(); })) {
  windowForRequests.store(window_);
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

ConsoleCloseRequests::~ConsoleCloseRequests() {
  ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  windowForRequests.store(nullptr);
  framework::DeallocateHWnd(window_);
}

}  // namespace app
