#pragma once

// The lines the program writes to its log view (Memo1), put into the view a few at a time: each
// line written goes in together with those written since, at the latest a twentieth of a second
// later, or at once when the view is asked for. A line in the view costs a layout and then a
// repaint of the view, hundreds of microseconds; taken in the handler that writes the line, that
// would hold up the block the handler sends next, and the next acknowledgement behind it.
// Window thread.

#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

namespace app {

class PacedLog {
 public:
  explicit PacedLog(QPlainTextEdit& view);
  PacedLog(const PacedLog&) = delete;
  PacedLog& operator=(const PacedLog&) = delete;

  // `line` is given without a line end.
  void Write(const QString& line);
  // The view, with every line written so far in it.
  QPlainTextEdit& View();

 private:
  void Flush();

  QPlainTextEdit& view_;
  QString pending_;  // lines not yet in the view, each but the last ended
  QTimer flushTimer_;
};

}  // namespace app
