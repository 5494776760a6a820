#include "app/win32/FormWindow.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <string>
#include <utility>

#include "app/WindowLayout.h"
#include "app/win32/LogView.h"
#include "app/win32/ScreenDpi.h"
#include "framework/Exception.h"
#include "framework/win32/Utf.h"

namespace app {

namespace {

constexpr wchar_t kWindowClass[] = L"TForm1";

// A fixed single border and a title bar with the system menu and the close box only.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExtendedStyle = 0;
// Multi-line, wrapping at its width (no horizontal scrolling), a vertical scroll bar only,
// editable; Enter makes a new line.
constexpr DWORD kMemoStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_LEFT;

HINSTANCE ProgramInstance() { return ::GetModuleHandleW(nullptr); }

std::string SystemError(const std::string& what) { return what + ": system error " + std::to_string(::GetLastError()); }

HICON LoadMainIcon(int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageW(ProgramInstance(), L"MAINICON", IMAGE_ICON, ::GetSystemMetrics(widthMetric),
                                         ::GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR | LR_SHARED));
}

struct FontDeleter {
  void operator()(HFONT__* font) const { ::DeleteObject(font); }
};
using FontHandle = std::unique_ptr<HFONT__, FontDeleter>;

FontHandle LayoutFont(int dpi) {
  const std::wstring face = framework::WideFromUtf8(kFontFace);
  return FontHandle(::CreateFontW(-FontPixelsForScreen(kFontPixels, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, face.c_str()));
}

int TextHeightOf(HWND window, HFONT font) {
  HDC dc = ::GetDC(window);
  const HGDIOBJ previous = ::SelectObject(dc, font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window, dc);
  return metrics.tmHeight;
}

OuterSize LayoutOuterSize(const LayoutScale& scale, int dpi) {
  return OuterSizeFor(scale(kClientWidth), scale(kClientHeight), kWindowStyle, kWindowExtendedStyle, dpi);
}

// The window and the elements of the layout in it, each made and placed by the constructor.
class LayoutWindow final : public FormWindow {
 public:
  explicit LayoutWindow(std::function<void()> onSessionEnd);
  ~LayoutWindow() override;

  HWND Handle() const override { return window_; }
  HWND Log() const override { return log_; }
  HFONT Font() const override { return font_.get(); }
  int TextHeight() const override { return textHeight_; }
  void CentreOnDesktop() override;
  void AppendLogLines(const std::string& lines) override;
  void Show(int showCommand) override;
  void Close() override { ::PostMessageW(window_, WM_CLOSE, 0, 0); }

 private:
  static void RegisterWindowClass();
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Makes the font for `dpi` and scales the log's place to it; gives the window's outer size.
  OuterSize ApplyDpi(int dpi);

  std::function<void()> onSessionEnd_;
  FontHandle font_;  // outlives the window, which uses it
  HWND window_ = nullptr;
  HWND log_ = nullptr;
  int textHeight_ = 0;
};

void LayoutWindow::RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNSHADOW + 1);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hIcon = LoadMainIcon(SM_CXICON, SM_CYICON);
    windowClass.hIconSm = LoadMainIcon(SM_CXSMICON, SM_CYSMICON);
    if (::RegisterClassExW(&windowClass) == 0)
      throw framework::Exception(SystemError("Cannot register the main window's class"));
    return true;
  }();
  static_cast<void>(registered);
}

LayoutWindow::LayoutWindow(std::function<void()> onSessionEnd) : onSessionEnd_(std::move(onSessionEnd)) {
  RegisterWindowClass();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  const std::wstring caption = framework::WideFromUtf8(WindowCaption());
  // At the stored place and without a size yet; FormCreate moves it before it is first shown.
  HWND window = ::CreateWindowExW(kWindowExtendedStyle, kWindowClass, caption.c_str(), kWindowStyle, kStoredLeft,
                                  kStoredTop, 0, 0, nullptr, nullptr, ProgramInstance(), nullptr);
  if (window == nullptr) throw framework::Exception(SystemError("Cannot create the main window"));
  window_ = window;
  HWND log = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", kMemoStyle, 0, 0, 0, 0, window, nullptr,
                               ProgramInstance(), nullptr);
  if (log == nullptr) {
    const std::string error = SystemError("Cannot create the log");
    ::DestroyWindow(window);
    throw framework::Exception(error);
  }
  log_ = log;
  // No limit but memory: a multi-line edit control otherwise stops taking text at 30,000 characters.
  ::SendMessageW(log, EM_SETLIMITTEXT, 0, 0);
  const OuterSize outer = ApplyDpi(WindowDpi(window));
  ::SetWindowPos(window, nullptr, 0, 0, outer.width, outer.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetFocus(log);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

// Taken off the procedure first: the destruction is not a close request.
LayoutWindow::~LayoutWindow() {
  if (window_ == nullptr) return;
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

// Counted from the primary screen's origin, which is the origin of the system's desktop
// coordinates, over the size of the whole desktop.
void LayoutWindow::CentreOnDesktop() {
  RECT outer{};
  ::GetWindowRect(window_, &outer);
  const int left = CentredOffset(::GetSystemMetrics(SM_CXVIRTUALSCREEN), outer.right - outer.left);
  const int top = CentredOffset(::GetSystemMetrics(SM_CYVIRTUALSCREEN), outer.bottom - outer.top);
  ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Once the window is gone (the program is ending) there is nowhere to put them.
void LayoutWindow::AppendLogLines(const std::string& lines) {
  if (::IsWindow(log_)) AppendLogLine(log_, framework::WideFromUtf8(lines));
}

void LayoutWindow::Show(int showCommand) {
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
}

OuterSize LayoutWindow::ApplyDpi(int dpi) {
  FontHandle newFont = LayoutFont(dpi);
  textHeight_ = TextHeightOf(window_, newFont.get());
  const LayoutScale scale(textHeight_, kStoredTextHeight);
  ::SendMessageW(log_, WM_SETFONT, reinterpret_cast<WPARAM>(newFont.get()), TRUE);
  font_ = std::move(newFont);
  const LayoutRect memo = Scaled(scale, kMemo1);
  ::MoveWindow(log_, memo.left, memo.top, memo.width, memo.height, TRUE);
  return LayoutOuterSize(scale, dpi);
}

LRESULT CALLBACK LayoutWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* const form = reinterpret_cast<LayoutWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT LayoutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      // The log is the only element of the keyboard order.
      ::SetFocus(log_);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    // The size the window takes on a monitor of another density, the layout scaled to the font
    // there, which the system then suggests with WM_DPICHANGED.
    case WM_GETDPISCALEDSIZE: {
      const int dpi = static_cast<int>(wParam);
      const FontHandle fontThere = LayoutFont(dpi);
      const OuterSize outer =
          LayoutOuterSize(LayoutScale(TextHeightOf(window_, fontThere.get()), kStoredTextHeight), dpi);
      *reinterpret_cast<SIZE*>(lParam) = SIZE{outer.width, outer.height};
      return TRUE;
    }
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wParam));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_ENDSESSION:
      if (wParam != FALSE) {
        onSessionEnd_();
        ::DestroyWindow(window_);
      }
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      // Destroyed by a close request or the session's end: nothing is left to destroy later.
      HWND destroyed = window_;
      window_ = nullptr;
      log_ = nullptr;
      ::SetWindowLongPtrW(destroyed, GWLP_USERDATA, 0);
      return ::DefWindowProcW(destroyed, message, wParam, lParam);
    }
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace

std::unique_ptr<FormWindow> FormWindow::Make(std::function<void()> onSessionEnd) {
  return std::make_unique<LayoutWindow>(std::move(onSessionEnd));
}

}  // namespace app
