#pragma once

// Consoles for the tests of console control events: the test process's own console, another
// process on it (as the shell a program is started from is on the console the program attaches
// to), and Ctrl+C typed there. Without the system's headers, for test files that use the port
// layer.

namespace windowtest {

// A new console of the calling process's own while the object lives; the standard output and
// error stay where they were.
class OwnConsole {
 public:
  OwnConsole();
  ~OwnConsole();
  OwnConsole(const OwnConsole&) = delete;
  OwnConsole& operator=(const OwnConsole&) = delete;

 private:
  int savedOutput_ = -1;
  int savedError_ = -1;
};

// console_companion.exe (beside the test program) on the calling process's console while the
// object lives: it ignores Ctrl+C and Ctrl+Break, as a shell waiting for its next command does.
class ConsoleCompanion {
 public:
  ConsoleCompanion();
  ~ConsoleCompanion();
  ConsoleCompanion(const ConsoleCompanion&) = delete;
  ConsoleCompanion& operator=(const ConsoleCompanion&) = delete;

 private:
  void* process_ = nullptr;
};

// Ctrl+C typed on the calling process's console: every process on it gets the event.
void TypeCtrlC();

}  // namespace windowtest
