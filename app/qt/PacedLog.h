#pragma once

// The lines the program writes to its log view (Memo1), put into the view a few at a time: each
// line written goes in together with those written since, at the latest a twentieth of a second
// later, or at once when the view is asked for. A line in the view costs a layout and then a
// repaint of the view, hundreds of microseconds; taken in the handler that writes the line, that
// would hold up the block the handler sends next, and the next acknowledgement behind it. Of the
// lines waiting, no more are kept than the view keeps (kLogLinesKept): older ones would only be
// dropped from the view again. Window thread.

#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

#include <deque>

namespace app {

class PacedLog {
 public:
  explicit PacedLog(QPlainTextEdit& view);
  PacedLog(const PacedLog&) = delete;
  PacedLog& operator=(const PacedLog&) = delete;

  // `line` is given without a line end.
  void Write(const QString& line);
  // The view, with every line written so far in it (but those it no longer keeps).
  QPlainTextEdit& View();
  // Lines written that are not in the view yet, at most kLogLinesKept.
  std::size_t LinesWaiting() const { return pending_.size(); }

 private:
  void Flush();

  QPlainTextEdit& view_;
  std::deque<QString> pending_;  // lines not yet in the view, oldest first
  QTimer flushTimer_;
};

}  // namespace app
