// The main window as the window system sees it (its layout, font, scaling, place, the density of
// another monitor, how it ends) and its log (how program lines go in, paced, and how many stay).
#include "app/win32/FormWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/PacedLog.h"
#include "app/WindowGeometry.h"
#include "app/win32/EventLoop.h"
#include "app/win32/LogView.h"
#include "app/win32/ScreenDpi.h"
#include "tests/app/win32/Desktop.h"

namespace {

using windowtest::HandlePendingMessages;
using windowtest::WindowText;

LONG_PTR StyleOf(HWND window) { return ::GetWindowLongPtrW(window, GWL_STYLE); }

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

int TextHeightOf(HFONT font) {
  HDC dc = ::GetDC(nullptr);
  const HGDIOBJ previous = ::SelectObject(dc, font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, previous);
  ::ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
}

RECT ClientPlaceOf(HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectRect(const RECT& rect, int left, int top, int width, int height) {
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(rect.bottom - rect.top, height);
}

// Whether WM_QUIT waits in the thread's queue; takes it out.
bool QuitPosted() {
  MSG message{};
  return ::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

TEST(FormWindowTest, CarriesTheLayoutsSettingsScaledToItsFont) {
  const auto form = app::FormWindow::Make([] {});
  const HWND window = form->Handle();
  const HWND log = form->Log();
  const int dpi = app::WindowDpi(window);
  const app::LayoutScale scale(form->TextHeight(), 13);

  EXPECT_FALSE(windowtest::IsVisible(window));
  EXPECT_EQ(WindowText(window), "Bass Firmware 4.18.1");
  const LONG_PTR style = StyleOf(window);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & WS_SYSMENU, WS_SYSMENU);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "fixed single border, close box only";
  EXPECT_EQ(::GetClassLongPtrW(window, GCLP_HBRBACKGROUND), COLOR_BTNSHADOW + 1);
  EXPECT_NE(::GetClassLongPtrW(window, GCLP_HICON), 0);
  EXPECT_NE(::GetClassLongPtrW(window, GCLP_HICONSM), 0);

  const LOGFONTW font = FontOf(window);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
  EXPECT_EQ(font.lfHeight, -app::FontPixelsForScreen(11, dpi)) << "8 points: 11 pixels at 96 dpi";
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  EXPECT_FALSE(font.lfItalic);
  EXPECT_EQ(form->TextHeight(), TextHeightOf(form->Font())) << "measured on this screen";
  RECT client{};
  ::GetClientRect(window, &client);
  ExpectRect(client, 0, 0, scale(279), scale(370));

  EXPECT_EQ(::GetParent(log), window);
  ExpectRect(ClientPlaceOf(log), scale(16), scale(16), scale(249), scale(337));
  const LONG_PTR logStyle = StyleOf(log);
  EXPECT_EQ(logStyle & (ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP),
            ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP);
  EXPECT_EQ(logStyle & (ES_READONLY | WS_HSCROLL | ES_AUTOHSCROLL), 0) << "editable, wrapping";
  EXPECT_EQ(::SendMessageW(log, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(form->Font()));
  EXPECT_EQ(WindowText(log), "");
  HDC dc = ::GetDC(log);
  EXPECT_EQ(::SendMessageW(window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(log)),
            reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW)));
  EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_WINDOW));
  ::ReleaseDC(log, dc);

  form->Show(SW_SHOWNORMAL);
  EXPECT_TRUE(windowtest::IsVisible(window));
  EXPECT_EQ(::GetFocus(), log) << "the log is the only element of the keyboard order";
}

TEST(FormWindowTest, StartsAtTheStoredPlaceAndCentresOnTheWholeDesktop) {
  const auto form = app::FormWindow::Make([] {});
  const windowtest::Place stored = windowtest::OuterPlace(form->Handle());
  EXPECT_EQ(stored.left, 1084);
  EXPECT_EQ(stored.top, 685);

  form->CentreOnDesktop();
  const windowtest::Place centred = windowtest::OuterPlace(form->Handle());
  EXPECT_EQ(centred.left, app::CentredOffset(windowtest::DesktopWidth(), stored.width));
  EXPECT_EQ(centred.top, app::CentredOffset(windowtest::DesktopHeight(), stored.height));
  EXPECT_EQ(centred.width, stored.width);
  EXPECT_EQ(centred.height, stored.height);
}

// A move to a monitor of 144 dots per inch: the system asks for the size there, then suggests
// a rectangle of it.
TEST(FormWindowTest, OnAnotherDensityTheFontAndLayoutAreScaledAgainAndTheSuggestedPlaceTaken) {
  const auto form = app::FormWindow::Make([] {});
  const HWND window = form->Handle();
  const HFONT fontAt96 = form->Font();
  SIZE size{};
  ASSERT_TRUE(::SendMessageW(window, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&size)));
  RECT suggested{40, 30, 40 + size.cx, 30 + size.cy};
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

  EXPECT_EQ(FontOf(window).lfHeight, -17) << "11 pixels × 1.5, rounded";
  EXPECT_EQ(FontOf(form->Log()).lfHeight, -17);
  EXPECT_NE(form->Font(), fontAt96);
  EXPECT_EQ(form->TextHeight(), TextHeightOf(form->Font()));
  const app::LayoutScale scale(form->TextHeight(), 13);
  ExpectRect(ClientPlaceOf(form->Log()), scale(16), scale(16), scale(249), scale(337));
  const app::OuterSize expected =
      app::OuterSizeFor(scale(279), scale(370), static_cast<DWORD>(StyleOf(window)), 0, 144);
  EXPECT_EQ(size.cx, expected.width);
  EXPECT_EQ(size.cy, expected.height);
  const windowtest::Place place = windowtest::OuterPlace(window);
  EXPECT_EQ(place.left, 40);
  EXPECT_EQ(place.top, 30);
  EXPECT_EQ(place.width, size.cx);
  EXPECT_EQ(place.height, size.cy);
}

// The start-up request: maximised and minimised-without-activation are taken as asked, anything
// else (a plain minimise, hidden, none given) shows the window normally.
TEST(FormWindowTest, IsShownAsTheStartUpRequestAsksForAMaximisedOrAnInactiveMinimisedWindow) {
  EXPECT_EQ(app::StartupShowCommand(0, SW_SHOWMAXIMIZED), SW_SHOWNORMAL) << "no request given";
  EXPECT_EQ(app::StartupShowCommand(STARTF_USESHOWWINDOW, SW_SHOWMAXIMIZED), SW_SHOWMAXIMIZED);
  EXPECT_EQ(app::StartupShowCommand(STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE), SW_SHOWMINNOACTIVE);
  for (const WORD other : {SW_HIDE, SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWNOACTIVATE, SW_SHOWDEFAULT})
    EXPECT_EQ(app::StartupShowCommand(STARTF_USESHOWWINDOW, other), SW_SHOWNORMAL) << "request " << other;

  const auto maximised = app::FormWindow::Make([] {});
  maximised->Show(SW_SHOWMAXIMIZED);
  EXPECT_TRUE(::IsZoomed(maximised->Handle()));

  // Whether it takes the activation is the system's business: wine activates it all the same.
  const auto minimised = app::FormWindow::Make([] {});
  minimised->Show(SW_SHOWMINNOACTIVE);
  EXPECT_TRUE(::IsIconic(minimised->Handle()));
  EXPECT_FALSE(::IsZoomed(minimised->Handle()));
}

TEST(FormWindowTest, ACloseRequestEndsTheLoopAndDestroyingTheObjectDoesNot) {
  {
    const auto kept = app::FormWindow::Make([] {});
  }
  EXPECT_FALSE(QuitPosted());

  const auto form = app::FormWindow::Make([] {});
  const HWND window = form->Handle();
  form->Close();
  EXPECT_TRUE(HandlePendingMessages()) << "WM_QUIT came";
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(form->Handle(), nullptr);
}

TEST(FormWindowTest, TheSessionsEndRunsItsHandlerWhileTheWindowExistsThenDestroysIt) {
  HWND window = nullptr;
  bool windowDuringHandler = false;
  const auto form = app::FormWindow::Make([&] { windowDuringHandler = ::IsWindow(window) != FALSE; });
  window = form->Handle();
  windowtest::SendEndSession(window);

  EXPECT_TRUE(windowDuringHandler);
  EXPECT_FALSE(::IsWindow(window)) << "gone before WM_ENDSESSION returned";
  EXPECT_TRUE(QuitPosted());
}

class LogTest : public testing::Test {
 protected:
  static void TypeAsTheUser(HWND log, const std::wstring& text) {
    ::SendMessageW(log, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }

  // Lines ">Block first" to ">Block last - 1", joined as one append takes them.
  static std::wstring Blocks(int first, int last) {
    std::wstring lines;
    for (int block = first; block < last; ++block)
      lines += (block == first ? L">Block " : L"\n>Block ") + std::to_wstring(block);
    return lines;
  }

  // The log's lines, each without its line end; the line after the last line end is left out.
  std::vector<std::string> Lines() const {
    const std::string text = WindowText(log_);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  const std::unique_ptr<app::FormWindow> form_ = app::FormWindow::Make([] {});
  HWND log_ = form_->Log();
};

TEST_F(LogTest, ProgramLinesGoOnLinesOfTheirOwnWithTheCaretBehindThem) {
  app::AppendLogLine(log_, L">Switch on QLT-1");
  app::AppendLogLine(log_, L">USB Midi Connected\n>Communications Established");
  EXPECT_EQ(WindowText(log_), ">Switch on QLT-1\r\n>USB Midi Connected\r\n>Communications Established\r\n");
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(log_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, static_cast<DWORD>(::GetWindowTextLengthW(log_)));
  EXPECT_EQ(end, start);
}

TEST_F(LogTest, TextTheUserTypedStaysAndTheProgramsLineStillStartsALineTheUserCannotUndo) {
  app::AppendLogLine(log_, L">Switch on QLT-1");
  ::SendMessageW(log_, EM_SETSEL, 0, 0);
  TypeAsTheUser(log_, L"note: ");
  const int end = ::GetWindowTextLengthW(log_);
  ::SendMessageW(log_, EM_SETSEL, end, end);
  TypeAsTheUser(log_, L"typed");
  app::AppendLogLine(log_, L">USB Midi Connected");
  const std::string expected = "note: >Switch on QLT-1\r\ntyped\r\n>USB Midi Connected\r\n";
  EXPECT_EQ(WindowText(log_), expected);

  EXPECT_FALSE(::SendMessageW(log_, EM_CANUNDO, 0, 0));
  ::SendMessageW(log_, EM_UNDO, 0, 0);
  EXPECT_EQ(WindowText(log_), expected);
}

TEST_F(LogTest, TheNewestLineIsScrolledIntoView) {
  form_->Show(SW_SHOWNORMAL);
  for (int block = 0; block < 200; ++block) app::AppendLogLine(log_, L">Block " + std::to_wstring(block));
  const auto lines = static_cast<int>(::SendMessageW(log_, EM_GETLINECOUNT, 0, 0));
  const auto firstVisible = static_cast<int>(::SendMessageW(log_, EM_GETFIRSTVISIBLELINE, 0, 0));
  RECT text{};
  ::SendMessageW(log_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  const int visibleLines = (text.bottom - text.top) / TextHeightOf(form_->Font());
  EXPECT_GT(firstVisible, 0);
  EXPECT_GE(firstVisible + visibleLines, lines - 1) << "the last line written is on screen";
}

TEST_F(LogTest, PacedLinesGoInTogetherWithinAFewTicksOrAtOnceWhenFlushed) {
  app::PacedLog paced([this](const std::string& lines) { form_->AppendLogLines(lines); });
  paced.Write(">Switch on QLT-1");
  paced.Write(">USB Midi Connected");
  EXPECT_EQ(WindowText(log_), "") << "not in the handler that writes them";
  const auto start = std::chrono::steady_clock::now();
  while (WindowText(log_).empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    HandlePendingMessages();
    ::Sleep(1);
  }
  EXPECT_EQ(WindowText(log_), ">Switch on QLT-1\r\n>USB Midi Connected\r\n");
  // 50 ms, and what a loaded machine under wine adds to a timer.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));

  paced.Write(">Communications Established");
  paced.Flush();
  EXPECT_EQ(WindowText(log_), ">Switch on QLT-1\r\n>USB Midi Connected\r\n>Communications Established\r\n");
}

TEST_F(LogTest, TheLogKeepsItsLastLinesTheOldestGoingFirst) {
  form_->Show(SW_SHOWNORMAL);
  app::AppendLogLine(log_, Blocks(0, app::kLogLinesKept + 5));
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(app::kLogLinesKept));
  EXPECT_EQ(lines.front(), ">Block 5");
  EXPECT_EQ(lines.back(), ">Block " + std::to_string(app::kLogLinesKept + 4));

  ::SendMessageW(log_, EM_SETSEL, 0, 0);
  TypeAsTheUser(log_, L"note: ");
  app::AppendLogLine(log_, L">Finished");
  lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(app::kLogLinesKept));
  EXPECT_EQ(lines.front(), ">Block 6") << "what the user typed in an old line goes with it";
  EXPECT_EQ(lines.back(), ">Finished");
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(log_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, static_cast<DWORD>(::GetWindowTextLengthW(log_))) << "the caret stays behind the newest line";
  EXPECT_FALSE(::SendMessageW(log_, EM_CANUNDO, 0, 0));
}

TEST_F(LogTest, NoMorePacedLinesWaitThanTheLogKeepsAndTheNewestAreTheOnesShown) {
  app::PacedLog paced([this](const std::string& lines) { form_->AppendLogLines(lines); });
  const int written = 3 * app::kLogLinesKept;
  for (int block = 0; block < written; ++block) paced.Write(">Block " + std::to_string(block));
  EXPECT_EQ(paced.LinesWaiting(), static_cast<std::size_t>(app::kLogLinesKept));
  paced.Flush();
  EXPECT_EQ(paced.LinesWaiting(), 0u);
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(app::kLogLinesKept));
  EXPECT_EQ(lines.front(), ">Block " + std::to_string(written - app::kLogLinesKept));
  EXPECT_EQ(lines.back(), ">Block " + std::to_string(written - 1));
}

}  // namespace
