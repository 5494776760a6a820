#include "app/qt/PacedLog.h"

#include <QStringList>

#include "app/qt/LogView.h"

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
  pending_.push_back(line);
  if (pending_.size() > static_cast<std::size_t>(kLogLinesKept)) pending_.pop_front();
  if (!flushTimer_.isActive()) flushTimer_.start();
}

QPlainTextEdit& PacedLog::View() {
  Flush();
  return view_;
}

// Several lines appended as one give the same text, caret and scrolling as one at a time.
void PacedLog::Flush() {
  flushTimer_.stop();
  if (pending_.empty()) return;
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(pending_.size()));
  for (QString& line : pending_) lines.push_back(std::move(line));
  pending_.clear();
  AppendLogLine(view_, lines.join(QChar('\n')));
}

}  // namespace app
