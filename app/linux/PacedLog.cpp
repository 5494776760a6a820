#include "app/linux/PacedLog.h"

#include "app/linux/LogView.h"

namespace app {

namespace {
// Lines still appear to the eye as they come.
constexpr int kFlushIntervalMs = 50;
}  // namespace

PacedLog::PacedLog(QPlainTextEdit& view) : view_(view) {
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushIntervalMs);
  QObject::connect(&flushTimer_, &QTimer::timeout, [this] { Flush(); });
}

void PacedLog::Write(const QString& line) {
  if (!pending_.isEmpty()) pending_ += QChar('\n');
  pending_ += line;
  if (!flushTimer_.isActive()) flushTimer_.start();
}

QPlainTextEdit& PacedLog::View() {
  Flush();
  return view_;
}

// Several lines appended as one give the same text, caret and scrolling as one at a time.
void PacedLog::Flush() {
  flushTimer_.stop();
  if (pending_.isEmpty()) return;
  AppendLogLine(view_, pending_);
  pending_.clear();
}

}  // namespace app
