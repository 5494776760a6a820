// detached-start.exe PROGRAM [ARGUMENT]: starts PROGRAM as the desktop starts a program from a
// shortcut, "Open with" or a file dropped on it: without a console to share and without standard
// handles. Prints the first message box PROGRAM opens ("box: CAPTION", then its text), presses
// its OK, and prints "status N" once PROGRAM has ended; "no box" when it ends without one or
// opens none within 20 s. Its own status is 0 once it could say all that.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct BoxSearch {
  DWORD process = 0;
  HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM lParam) {
  auto& search = *reinterpret_cast<BoxSearch*>(lParam);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (process != search.process || std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  search.box = window;
  return FALSE;
}

std::string TextOf(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  char utf8[4096] = {};
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: detached-start.exe PROGRAM [ARGUMENT]\n", stderr);
    return 2;
  }
  std::wstring command = std::wstring(L"\"") + argv[1] + L"\"";
  if (argc == 3) command += std::wstring(L" ") + argv[2];
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                       &started) == FALSE) {
    std::fprintf(stderr, "cannot start the program: system error %lu\n", ::GetLastError());
    return 1;
  }
  BoxSearch search{.process = started.dwProcessId};
  for (int look = 0; look < 400 && search.box == nullptr; ++look) {
    if (::WaitForSingleObject(started.hProcess, 50) == WAIT_OBJECT_0) break;
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
  }
  if (search.box == nullptr) {
    std::puts("no box");
  } else {
    std::printf("box: %s\n%s\n", TextOf(search.box).c_str(), TextOf(::GetDlgItem(search.box, 0xFFFF)).c_str());
    ::PostMessageW(search.box, WM_COMMAND, IDOK, 0);
  }
  if (::WaitForSingleObject(started.hProcess, 20000) != WAIT_OBJECT_0) {
    std::puts("still running");
    ::TerminateProcess(started.hProcess, 1);
    return 0;
  }
  DWORD status = 0;
  ::GetExitCodeProcess(started.hProcess, &status);
  std::printf("status %lu\n", status);
  return 0;
}
