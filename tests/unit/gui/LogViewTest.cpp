// The log's append rule against what a user may do in the log: type, move the caret, undo.
#include "app/linux/LogView.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace {

class LogViewTest : public testing::Test {
 protected:
  // What the user types at the caret.
  void Type(const QString& text) { log_.insertPlainText(text); }
  void MoveCaretTo(QTextCursor::MoveOperation where) { log_.moveCursor(where); }
  void Append(const char* line) { app::AppendLogLine(log_, QString::fromUtf8(line)); }
  QString Text() const { return log_.toPlainText(); }

  QPlainTextEdit log_;
};

TEST_F(LogViewTest, EachLineEndsSoTheNextOneStartsOnALineOfItsOwn) {
  Append(">Switch on QLT-1");
  Append(">USB Midi Connected");
  EXPECT_EQ(Text(), ">Switch on QLT-1\n>USB Midi Connected\n");
  EXPECT_EQ(log_.textCursor().position(), Text().size()) << "the caret stands behind the new line";
}

TEST_F(LogViewTest, TextTheUserLeftOnTheLastLineIsEndedFirst) {
  Append(">Switch on QLT-1");
  Type("hello");
  Append(">USB Midi Connected");
  EXPECT_EQ(Text(), ">Switch on QLT-1\nhello\n>USB Midi Connected\n");
}

TEST_F(LogViewTest, ALineTheUserEndedTakesNoEmptyLineBetween) {
  Type("note\n");
  Append(">Switch on QLT-1");
  EXPECT_EQ(Text(), "note\n>Switch on QLT-1\n");
}

TEST_F(LogViewTest, GoesToTheEndWhereverTheCaretStands) {
  Append(">Switch on QLT-1");
  Append(">USB Midi Connected");
  MoveCaretTo(QTextCursor::Start);
  Type("typed at the start ");
  MoveCaretTo(QTextCursor::Down);
  Append(">Programming");
  EXPECT_EQ(Text(), "typed at the start >Switch on QLT-1\n>USB Midi Connected\n>Programming\n");
  EXPECT_EQ(log_.textCursor().position(), Text().size());
}

TEST_F(LogViewTest, TheUserCannotUndoAProgramLine) {
  Type("x");
  Append(">Block 9");
  log_.undo();
  EXPECT_EQ(Text(), "x\n>Block 9\n");
  Type("y");
  log_.undo();
  EXPECT_EQ(Text(), "x\n>Block 9\n") << "the user's own typing after it can still be undone";
}

TEST_F(LogViewTest, ScrollsTheNewLineIntoView) {
  log_.resize(200, 80);
  log_.show();
  for (int block = 0; block < 100; ++block) Append(">Block");
  log_.verticalScrollBar()->setValue(0);
  Append(">Finished");
  const QTextCursor finished(log_.document()->findBlockByNumber(100));
  ASSERT_EQ(finished.block().text(), ">Finished");
  EXPECT_GT(log_.verticalScrollBar()->value(), 0);
  EXPECT_TRUE(log_.viewport()->rect().contains(log_.cursorRect(finished)));
}

}  // namespace
