// The log as the program writes it: lines reach the view together, once none has come for a
// twentieth of a second but never later than a second after the first of them, or as soon as
// they are flushed, and then read exactly as if each had been appended alone; no more wait than
// the view keeps.
#include "app/PacedLog.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/qt/LogView.h"
#include "tests/support/EventLoop.h"

namespace {

using Clock = std::chrono::steady_clock;

class PacedLogTest : public testing::Test {
 protected:
  QPlainTextEdit view_;
  app::PacedLog log_{[this](const std::string& lines) { app::AppendLogLine(view_, QString::fromStdString(lines)); }};
};

TEST_F(PacedLogTest, LinesWaitOutsideTheViewUntilTheyAreFlushed) {
  log_.Write(">Switch on QLT-1");
  log_.Write(">USB Midi Connected");
  EXPECT_EQ(view_.toPlainText(), "") << "nothing laid out in the writing handler";
  log_.Flush();
  EXPECT_EQ(view_.toPlainText(), ">Switch on QLT-1\n>USB Midi Connected\n");
  EXPECT_EQ(view_.textCursor().position(), view_.toPlainText().size());
}

TEST_F(PacedLogTest, LinesReachTheViewByThemselvesWithinATwentiethOfASecond) {
  log_.Write(">Block 0");
  ASSERT_TRUE(
      testsupport::ProcessEventsUntil([&] { return !view_.toPlainText().isEmpty(); }, std::chrono::milliseconds(1000)));
  EXPECT_EQ(view_.toPlainText(), ">Block 0\n");
  log_.Write(">Block 9");
  testsupport::ProcessEventsFor(std::chrono::milliseconds(200));
  EXPECT_EQ(view_.toPlainText(), ">Block 0\n>Block 9\n") << "each line written is flushed, not just the first";
}

TEST_F(PacedLogTest, ABatchReadsAsLinesAppendedOneByOneAroundWhatTheUserTyped) {
  QPlainTextEdit alone;
  for (QPlainTextEdit* view : {&view_, &alone}) {
    view->resize(200, 80);
    view->show();
    view->insertPlainText("typed");
  }
  for (int block = 0; block < 60; ++block) {
    log_.Write(">Block " + std::to_string(block));
    app::AppendLogLine(alone, QString(">Block %1").arg(block));
  }
  log_.Flush();
  EXPECT_EQ(view_.toPlainText(), alone.toPlainText());
  EXPECT_EQ(view_.textCursor().position(), alone.textCursor().position());
  EXPECT_EQ(view_.verticalScrollBar()->value(), alone.verticalScrollBar()->value());
  view_.undo();
  EXPECT_EQ(view_.toPlainText(), alone.toPlainText()) << "the user cannot undo the batch either";
}

TEST_F(PacedLogTest, NoMoreLinesWaitThanTheViewKeepsAndTheNewestAreTheOnesShown) {
  const int written = 3 * app::kLogLinesKept;
  for (int line = 0; line < written; ++line) log_.Write(">Block " + std::to_string(line));
  EXPECT_EQ(log_.LinesWaiting(), static_cast<std::size_t>(app::kLogLinesKept));
  log_.Flush();
  const QTextDocument& document = *view_.document();
  EXPECT_EQ(log_.LinesWaiting(), 0u);
  EXPECT_EQ(document.blockCount(), app::kLogLinesKept + 1);
  EXPECT_EQ(document.firstBlock().text(), QString(">Block %1").arg(written - app::kLogLinesKept));
  EXPECT_EQ(document.lastBlock().previous().text(), QString(">Block %1").arg(written - 1));
}

// The rule for a conversation, on Qt's timers: lines written one after another, as replies come,
// wait for a quiet spell, but never longer than a second; each flush is one call with every line
// in order, and says so to whoever waits for the window thread to be idle.
class PacedRuleTest : public testing::Test {
 protected:
  // Writes a line every few milliseconds for `span`, running the event loop in between as the
  // window thread does between replies. Gives when the first flush came, if one did.
  std::optional<Clock::time_point> WriteSteadily(std::chrono::milliseconds span) {
    const auto start = Clock::now();
    std::optional<Clock::time_point> firstFlush;
    while (Clock::now() - start < span) {
      log_.Write(">Block " + std::to_string(written_++));
      testsupport::ProcessPendingEvents();
      if (!firstFlush && !flushes_.empty()) firstFlush = Clock::now();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return firstFlush;
  }

  std::string Expected() const {
    std::string lines;
    for (int line = 0; line < written_; ++line) lines += (line == 0 ? "" : "\n") + (">Block " + std::to_string(line));
    return lines;
  }

  std::string Joined() const {
    std::string lines;
    for (const std::string& flush : flushes_) lines += (lines.empty() ? "" : "\n") + flush;
    return lines;
  }

  std::vector<std::string> flushes_;
  int idleCalls_ = 0;
  app::PacedLog log_{[this](const std::string& lines) { flushes_.push_back(lines); }, [this] { ++idleCalls_; }};
  int written_ = 0;
};

TEST_F(PacedRuleTest, LinesWrittenOneAfterAnotherGoInTogetherOnceTheyStop) {
  WriteSteadily(std::chrono::milliseconds(700));
  // Every twentieth of a second would be a dozen flushes; a stall of this thread on a loaded
  // machine is a quiet spell too.
  EXPECT_LE(flushes_.size(), 2u);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return Joined() == Expected(); }, std::chrono::seconds(2)))
      << "every line, in order, once the writing stops";
  EXPECT_EQ(idleCalls_, static_cast<int>(flushes_.size()));
}

TEST_F(PacedRuleTest, LinesThatKeepComingStillGoInWithinASecond) {
  const auto start = Clock::now();
  const std::optional<Clock::time_point> firstFlush = WriteSteadily(std::chrono::milliseconds(1800));
  ASSERT_TRUE(firstFlush.has_value());
  // A second, and what a loaded machine adds to a timer.
  EXPECT_LT(*firstFlush - start, std::chrono::milliseconds(1400));
  log_.Flush();
  EXPECT_EQ(Joined(), Expected());
  EXPECT_EQ(log_.LinesWaiting(), 0u);
}

}  // namespace
