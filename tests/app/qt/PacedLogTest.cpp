// The log as the program writes it: lines reach the view together, a moment later or as soon as
// the view is asked for, and then read exactly as if each had been appended alone; no more wait
// than the view keeps.
#include "app/qt/PacedLog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "app/qt/LogView.h"
#include "tests/support/EventLoop.h"

namespace {

class PacedLogTest : public testing::Test {
 protected:
  QPlainTextEdit view_;
  app::PacedLog log_{view_};
};

TEST_F(PacedLogTest, LinesWaitOutsideTheViewUntilTheViewIsAskedFor) {
  log_.Write(">Switch on QLT-1");
  log_.Write(">USB Midi Connected");
  EXPECT_EQ(view_.toPlainText(), "") << "nothing laid out in the writing handler";
  EXPECT_EQ(log_.View().toPlainText(), ">Switch on QLT-1\n>USB Midi Connected\n");
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
    log_.Write(QString(">Block %1").arg(block));
    app::AppendLogLine(alone, QString(">Block %1").arg(block));
  }
  EXPECT_EQ(log_.View().toPlainText(), alone.toPlainText());
  EXPECT_EQ(view_.textCursor().position(), alone.textCursor().position());
  EXPECT_EQ(view_.verticalScrollBar()->value(), alone.verticalScrollBar()->value());
  view_.undo();
  EXPECT_EQ(view_.toPlainText(), alone.toPlainText()) << "the user cannot undo the batch either";
}

TEST_F(PacedLogTest, NoMoreLinesWaitThanTheViewKeepsAndTheNewestAreTheOnesShown) {
  const int written = 3 * app::kLogLinesKept;
  for (int line = 0; line < written; ++line) log_.Write(QString(">Block %1").arg(line));
  EXPECT_EQ(log_.LinesWaiting(), static_cast<std::size_t>(app::kLogLinesKept));
  const QTextDocument& document = *log_.View().document();
  EXPECT_EQ(log_.LinesWaiting(), 0u);
  EXPECT_EQ(document.blockCount(), app::kLogLinesKept + 1);
  EXPECT_EQ(document.firstBlock().text(), QString(">Block %1").arg(written - app::kLogLinesKept));
  EXPECT_EQ(document.lastBlock().previous().text(), QString(">Block %1").arg(written - 1));
}

}  // namespace
