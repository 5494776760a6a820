// The log's append rule against what a user may do in the log: type, move the caret, undo; and
// how many lines it keeps.
#include "app/qt/LogView.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringList>
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
  QString Line(int number) const { return log_.document()->findBlockByNumber(number).text(); }

  // Lines ">Block first" to ">Block last - 1", appended as one.
  void AppendBlocks(int first, int last) {
    QStringList lines;
    for (int block = first; block < last; ++block) lines.push_back(QString(">Block %1").arg(block));
    app::AppendLogLine(log_, lines.join(QChar('\n')));
  }

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

TEST_F(LogViewTest, KeepsItsLastLinesTheOldestGoingFirst) {
  log_.resize(200, 80);
  log_.show();
  AppendBlocks(0, app::kLogLinesKept + 5);
  EXPECT_EQ(log_.document()->blockCount(), app::kLogLinesKept + 1) << "and the empty line the next one goes on";
  EXPECT_EQ(Line(0), ">Block 5");
  EXPECT_EQ(Line(app::kLogLinesKept - 1), QString(">Block %1").arg(app::kLogLinesKept + 4));
  Append(">Finished");
  EXPECT_EQ(Line(0), ">Block 6");
  EXPECT_EQ(Line(app::kLogLinesKept - 1), ">Finished");
  EXPECT_EQ(log_.textCursor().position(), Text().size());
  EXPECT_TRUE(log_.viewport()->rect().contains(log_.cursorRect())) << "the newest line is in view";
}

TEST_F(LogViewTest, WhatTheUserTypesIsKeptAsLinesAreAndTheirUndoStillWorks) {
  Type("typed first\n");
  AppendBlocks(0, app::kLogLinesKept - 2);
  Type("typed last");
  Append(">Finished");
  EXPECT_EQ(Line(0), ">Block 0");
  EXPECT_EQ(Line(app::kLogLinesKept - 2), "typed last");
  EXPECT_EQ(Line(app::kLogLinesKept - 1), ">Finished");
  Type("y");
  log_.undo();
  EXPECT_TRUE(Text().endsWith(">Finished\n")) << "the user's own typing after the line can still be undone";
  EXPECT_EQ(Line(0), ">Block 0") << "but not the lines that went";
}

}  // namespace
