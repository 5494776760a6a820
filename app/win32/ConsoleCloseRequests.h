#pragma once

// The closing of the console the program runs in, and Ctrl+C and Ctrl+Break typed on a console of
// the program's own, as the platform's request to close the window. On a console the program
// shares (the one it attached to for its output, app/win32/StandardStreams.cpp, which belongs to
// the shell it was started from) Ctrl+C and Ctrl+Break are meant for whatever runs there next, and
// the program ignores them. The system calls the console handler on a thread of its own; the
// handler only posts to a message window of the window thread, where the request is handled
// between two handlers of the event loop. Window thread; one instance at a time.

#include <functional>

#include "framework/MessageWindow.h"

namespace app {

class ConsoleCloseRequests {
 public:
  // Installs the handler; `onRequest` runs in the window thread after each request.
  explicit ConsoleCloseRequests(std::function<void()> onRequest);
  // Removes the handler.
  ~ConsoleCloseRequests();
  ConsoleCloseRequests(const ConsoleCloseRequests&) = delete;
  ConsoleCloseRequests& operator=(const ConsoleCloseRequests&) = delete;

 private:
  std::function<void()> onRequest_;
  framework::HWND window_;
};

}  // namespace app
