#include "app/windows/LogView.h"

#include <windows.h>

namespace app {

namespace {

// An edit control ends its lines with CR LF.
std::wstring WithControlLineEnds(const std::wstring& text) {
  std::wstring converted;
  converted.reserve(text.size() + text.size() / 8);
  for (const wchar_t character : text) {
    if (character == L'\n') converted += L'\r';
    converted += character;
  }
  return converted;
}

bool EndsOnEmptyLine(HWND log) {
  const int length = ::GetWindowTextLengthW(log);
  if (length == 0) return true;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(log, text.data(), length + 1)));
  return text.empty() || text.back() == L'\n';
}

}  // namespace

// Each program line is written with its line end, so normally the log ends on an empty line and
// the next one goes there; text the user left on the last line is ended first.
void AppendLogLine(HWND log, const std::wstring& line) {
  const std::wstring lineEnd = L"\r\n";
  const std::wstring lines = WithControlLineEnds(line);
  const std::wstring text = EndsOnEmptyLine(log) ? lines + lineEnd : lineEnd + lines + lineEnd;
  const LPARAM end = ::GetWindowTextLengthW(log);
  ::SendMessageW(log, EM_SETSEL, end, end);
  ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  // The user's undo would otherwise take back what they typed before this line, and the line with it.
  ::SendMessageW(log, EM_EMPTYUNDOBUFFER, 0, 0);
  ::SendMessageW(log, EM_SCROLLCARET, 0, 0);
}

}  // namespace app
