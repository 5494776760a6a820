#include "app/win32/RefusalNotice.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <io.h>

#include <cstdio>

#include "framework/Application.h"
#include "framework/ErrorBox.h"
#include "framework/ProgramIdentity.h"

namespace app {

// The C library's own standard error, after the program has connected it where it could: without
// a console or a redirection it has no system handle at all.
bool StandardErrorIsConnected() {
  const int descriptor = _fileno(stderr);
  if (descriptor < 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void ExplainRefusal(const std::string& text) {
  if (StandardErrorIsConnected()) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    return;
  }
  const std::string title = framework::TApplication::TitleOf(framework::ProgramFilePath());
  std::string boxText = text;
  while (!boxText.empty() && boxText.back() == '\n') boxText.pop_back();
  framework::ErrorBox(title).ShowNow(title, boxText);
}

}  // namespace app
