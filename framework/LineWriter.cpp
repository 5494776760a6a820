#include "framework/LineWriter.h"

#include <utility>

namespace framework {

LineWriter::LineWriter(Sink sink, std::size_t capacity)
    : sink_(std::move(sink)), capacity_(capacity), thread_([this] { Run(); }) {}

LineWriter::~LineWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  lineQueued_.notify_all();
  thread_.join();
}

void LineWriter::Write(StandardStream stream, std::string_view line) {
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line);
  text += '\n';
  {
    const std::lock_guard lock(mutex_);
    std::uint64_t& unannounced = unannounced_[IndexOf(stream)];
    std::string notice = unannounced == 0 ? std::string() : DroppedLinesNotice(unannounced) + '\n';
    const std::size_t needed = CostOf(text.size()) + (notice.empty() ? 0 : CostOf(notice.size()));
    if (needed > capacity_ - queuedBytes_) {
      ++unannounced;
      ++dropped_;
      return;
    }
    if (!notice.empty()) Push(stream, std::move(notice));
    unannounced = 0;
    Push(stream, std::move(text));
  }
  lineQueued_.notify_one();
}

bool LineWriter::Finish(std::chrono::milliseconds patience) {
  std::unique_lock lock(mutex_);
  const auto allWritten = [this] { return queue_.empty() && !writing_; };
  while (!allWritten()) {
    const std::uint64_t writtenBefore = written_;
    if (!lineWritten_.wait_for(lock, patience, [&] { return written_ != writtenBefore || allWritten(); })) return false;
  }
  return true;
}

std::size_t LineWriter::QueuedBytes() const {
  const std::lock_guard lock(mutex_);
  return queuedBytes_;
}

std::uint64_t LineWriter::DroppedLines() const {
  const std::lock_guard lock(mutex_);
  return dropped_;
}

std::string LineWriter::DroppedLinesNotice(std::uint64_t count) {
  std::string notice(1, '(');
  notice += std::to_string(count);
  notice += count == 1 ? " line" : " lines";
  notice += " left out here: the output was not taking them)";
  return notice;
}

void LineWriter::Push(StandardStream stream, std::string text) {
  queuedBytes_ += CostOf(text.size());
  queue_.push_back(Line{stream, std::move(text)});
}

// A line's bytes count against the capacity until the sink is done with it, so the line being
// written is bounded too. The lock is never held while the sink runs.
void LineWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    lineQueued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Line line = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    lock.unlock();
    // A refused line is as finished as a written one: nobody is there to read it.
    static_cast<void>(sink_(line.stream, line.text));
    lock.lock();
    queuedBytes_ -= CostOf(line.text.size());
    writing_ = false;
    ++written_;
    lineWritten_.notify_all();
  }
}

}  // namespace framework
