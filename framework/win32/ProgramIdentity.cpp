#include "framework/ProgramIdentity.h"

#include <windows.h>

#include "framework/win32/Utf.h"

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

// Nothing to set: the task bar groups the windows of a program without an explicit application id
// by the program file's path, and so with every shortcut that leads to that file (the installer's
// Start-menu entry, one the user makes, one pinned from the running window). An explicit id would
// part the window from each shortcut that does not carry the same id. Each window's button shows
// the window's own caption, as on Linux.
void ShowInTaskBarAs(const std::string& /*title*/) {}

}  // namespace framework
