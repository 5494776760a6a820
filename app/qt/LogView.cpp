#include "app/qt/LogView.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace app {

namespace {

// The document's last block is the line the next program line goes on; the others are counted.
void DropOldestLines(QTextDocument& document) {
  const int excess = document.blockCount() - 1 - kLogLinesKept;
  if (excess <= 0) return;
  QTextCursor cursor(&document);
  cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
  cursor.removeSelectedText();
}

}  // namespace

// Each program line is written with its line end, so normally the log ends on an empty line and
// the next one goes there; text the user left on the last line is ended first.
void AppendLogLine(QPlainTextEdit& log, const QString& line) {
  QTextDocument& document = *log.document();
  QTextCursor cursor(&document);
  cursor.movePosition(QTextCursor::End);
  const QString lineEnd(QChar('\n'));
  const QString text = cursor.block().text().isEmpty() ? line + lineEnd : lineEnd + line + lineEnd;
  // Switching undo off empties the undo history, so the user's undo never takes a program line.
  document.setUndoRedoEnabled(false);
  cursor.insertText(text);
  DropOldestLines(document);
  document.setUndoRedoEnabled(true);
  log.setTextCursor(cursor);
  log.ensureCursorVisible();
}

}  // namespace app
