// console_companion.exe: another process on the console of whoever starts it, as the shell a
// program was started from is on the console the program attaches to. It takes Ctrl+C and
// Ctrl+Break without ending, as a shell waiting for its next command does, and waits until it is
// ended.
#include <windows.h>

namespace {

BOOL WINAPI Ignore(DWORD /*event*/) { return TRUE; }

}  // namespace

int main() {
  ::SetConsoleCtrlHandler(Ignore, TRUE);
  ::Sleep(INFINITE);
  return 0;
}
