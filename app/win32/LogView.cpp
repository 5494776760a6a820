#include "app/win32/LogView.h"

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

std::wstring TextOf(HWND log) {
  const int length = ::GetWindowTextLengthW(log);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(log, text.data(), length + 1)));
  return text;
}

// How much of `text` to drop from its start so that at most kLogLinesKept line ends remain:
// everything up to and with the line end that has kLogLinesKept others after it.
std::size_t OldestLinesLength(const std::wstring& text) {
  int endsAfter = 0;
  for (std::size_t at = text.size(); at > 0; --at) {
    if (text[at - 1] != L'\n') continue;
    if (endsAfter == kLogLinesKept) return at;
    ++endsAfter;
  }
  return 0;
}

// `text` is the control's whole text.
void DropOldestLines(HWND log, const std::wstring& text) {
  const std::size_t drop = OldestLinesLength(text);
  if (drop == 0) return;
  ::SendMessageW(log, EM_SETSEL, 0, static_cast<LPARAM>(drop));
  ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  const LPARAM end = ::GetWindowTextLengthW(log);
  ::SendMessageW(log, EM_SETSEL, end, end);
}

}  // namespace

// Each program line is written with its line end, so normally the log ends on an empty line and
// the next one goes there; text the user left on the last line is ended first.
void AppendLogLine(HWND log, const std::wstring& line) {
  const std::wstring lineEnd = L"\r\n";
  const std::wstring lines = WithControlLineEnds(line);
  const std::wstring before = TextOf(log);
  const bool endsOnEmptyLine = before.empty() || before.back() == L'\n';
  const std::wstring text = endsOnEmptyLine ? lines + lineEnd : lineEnd + lines + lineEnd;
  const LPARAM end = static_cast<LPARAM>(before.size());
  ::SendMessageW(log, EM_SETSEL, end, end);
  ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  DropOldestLines(log, before + text);
  // The user's undo would otherwise take back what they typed before this line, and the line with it.
  ::SendMessageW(log, EM_EMPTYUNDOBUFFER, 0, 0);
  ::SendMessageW(log, EM_SCROLLCARET, 0, 0);
}

}  // namespace app
