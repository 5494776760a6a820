#include "tests/app/win32/Desktop.h"

#include <windows.h>

#include "framework/win32/Utf.h"

namespace windowtest {

namespace {

// The ids of a message box's text and icon.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconIds[] = {0x14, 0x440};  // Windows', wine's

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

HWND VisibleMainWindow() {
  const HWND window = MainWindow();
  return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
}

HWND MainWindow() {
  for (HWND window : ThreadWindows())
    if (ClassOf(window) == L"TForm1") return window;
  return nullptr;
}

std::vector<Box> OpenBoxes() {
  std::vector<Box> boxes;
  for (HWND window : ThreadWindows()) {
    if (ClassOf(window) != L"#32770" || !::IsWindowVisible(window)) continue;
    bool errorIcon = false;
    for (const int id : kBoxIconIds) {
      const HWND icon = ::GetDlgItem(window, id);
      errorIcon = errorIcon || (icon != nullptr && ::SendMessageW(icon, STM_GETICON, 0, 0) != 0);
    }
    boxes.push_back(Box{.handle = window,
                        .caption = WindowText(window),
                        .text = WindowText(::GetDlgItem(window, kBoxTextId)),
                        .errorIcon = errorIcon,
                        .okOnly = ::GetDlgItem(window, IDOK) != nullptr && ::GetDlgItem(window, IDCANCEL) == nullptr});
  }
  return boxes;
}

void PressOk(const Box& box) { ::PostMessageW(box.handle, WM_COMMAND, IDOK, 0); }

std::string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return framework::Utf8FromWide(text);
}

HWND LogOf(HWND mainWindow) { return ::FindWindowExW(mainWindow, nullptr, L"Edit", nullptr); }

Place OuterPlace(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

int DesktopWidth() { return ::GetSystemMetrics(SM_CXVIRTUALSCREEN); }
int DesktopHeight() { return ::GetSystemMetrics(SM_CYVIRTUALSCREEN); }

void PostClose(HWND window) { ::PostMessageW(window, WM_CLOSE, 0, 0); }

void SendEndSession(HWND window) {
  ::SendMessageW(window, WM_QUERYENDSESSION, 0, 0);
  ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
}

bool IsVisible(HWND window) { return ::IsWindowVisible(window) != FALSE; }

bool HandlePendingMessages() {
  MSG message{};
  bool quit = false;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    quit = quit || message.message == WM_QUIT;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return quit;
}

}  // namespace windowtest
