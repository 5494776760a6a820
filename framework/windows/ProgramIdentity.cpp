#include "framework/ProgramIdentity.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shobjidl.h>

#include "framework/windows/Utf.h"

namespace framework {

std::string ProgramFilePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    // A path cut short fills the buffer exactly; try again with more room.
    if (length < path.size()) {
      path.resize(length);
      return Utf8FromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string LowerCase(const std::string& text) {
  std::wstring wide = WideFromUtf8(text);
  if (!wide.empty()) ::CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Utf8FromWide(wide);
}

// The task bar groups a program's windows under its application model id; each window's button
// shows the window's own caption, as on Linux.
void ShowInTaskBarAs(const std::string& title) {
  ::SetCurrentProcessExplicitAppUserModelID(WideFromUtf8(title).c_str());
}

}  // namespace framework
