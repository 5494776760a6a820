#include "framework/ErrorBox.h"

#include <windows.h>

#include "framework/MessageWindow.h"
#include "framework/StandardLines.h"
#include "framework/win32/Utf.h"

namespace framework {

namespace {

void WriteLine(const std::string& text) { WriteStandardLine(StandardStream::Error, text); }

// The class of the system's dialog boxes, message boxes among them.
constexpr wchar_t kDialogClass[] = L"#32770";

struct BoxSearch {
  std::wstring caption;
  ::HWND found = nullptr;
};

BOOL CALLBACK FindBox(::HWND window, LPARAM lParam) {
  auto& search = *reinterpret_cast<BoxSearch*>(lParam);
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (std::wstring(className) != kDialogClass) return TRUE;
  std::wstring caption(256, L'\0');
  caption.resize(static_cast<std::size_t>(::GetWindowTextW(window, caption.data(), 256)));
  if (caption != search.caption) return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

// Boxes are posted to a message window of the box's own, and the open box is found again among
// the thread's windows by its caption when it has to close.
struct ErrorBox::Native {
  framework::HWND window = nullptr;
  std::string pendingText;
  std::wstring openCaption;
  bool open = false;
};

ErrorBox::ErrorBox(std::string caption) : caption_(std::move(caption)), native_(std::make_unique<Native>()) {
  native_->window = AllocateHWnd([this](TMessage& /*message*/) { Show(native_->pendingText); });
}

ErrorBox::~ErrorBox() { DeallocateHWnd(native_->window); }

void ErrorBox::Report(const std::string& text) {
  WriteLine(text);
  if (busy_ || stopped_) return;
  native_->pendingText = text;
  // A full queue costs this box, not the next ones.
  busy_ = framework::PostMessageA(native_->window, kFirstUserMessage, 0, 0);
}

void ErrorBox::Stop() {
  stopped_ = true;
  if (!native_->open) return;
  BoxSearch search{.caption = native_->openCaption};
  ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&search));
  if (search.found != nullptr) ::EndDialog(search.found, IDOK);
}

void ErrorBox::ShowNow(const std::string& caption, const std::string& text) {
  WriteLine(text);
  Open(caption, text);
}

void ErrorBox::Show(const std::string& text) {
  Open(caption_, text);
  busy_ = false;
}

// Over the window that was active, which gets the focus back when the box closes; task-modal, so
// that no window of the program can be used while it is open.
void ErrorBox::Open(const std::string& caption, const std::string& text) {
  if (stopped_) return;
  native_->openCaption = WideFromUtf8(caption);
  native_->open = true;
  ::MessageBoxW(::GetActiveWindow(), WideFromUtf8(text).c_str(), native_->openCaption.c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
  native_->open = false;
}

}  // namespace framework
