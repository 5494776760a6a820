// hello-window.exe: the baseline of the Windows program's start-up: the least Win32 program with
// a window and a log control (a multi-line edit control, as the tool's) that writes one line to
// standard output once both are built. Runs until its window is closed.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"HelloWindow";
  ::RegisterClassW(&windowClass);
  const HWND window = ::CreateWindowExW(0, L"HelloWindow", L"Hello", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                        640, 480, nullptr, nullptr, instance, nullptr);
  const HWND log = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 0, 0, 640, 480,
                                     window, nullptr, instance, nullptr);
  ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L">Switch on QLT-1\r\n"));
  std::fputs(">Switch on QLT-1\n", stdout);
  std::fflush(stdout);
  ::ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
