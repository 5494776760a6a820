#include "app/linux/LogView.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace app {

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
  document.setUndoRedoEnabled(true);
  log.setTextCursor(cursor);
  log.ensureCursorVisible();
}

}  // namespace app
