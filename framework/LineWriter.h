#pragma once

// Lines written to standard output and standard error by a thread of their own, so that whoever
// writes a line never waits for the stream: a text selection in a Windows console, a terminal
// stopped with Ctrl+S and a full pipe nobody reads all stop every writer of the stream until they
// end. The lines wait in one queue, so they keep their order across both streams; the queue has a
// bound, and a line that finds it full is dropped. Any thread may write; the sink runs only on the
// writer's thread.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace framework {

enum class StandardStream { Output, Error };

class LineWriter {
 public:
  // Writes `text` whole to `stream`, however long the stream makes it wait; false when the stream
  // refuses it (closed, or none). Runs on the writer's thread only.
  using Sink = std::function<bool(StandardStream stream, std::string_view text)>;

  // What one queued line costs besides its text, so that empty lines are bounded too.
  static constexpr std::size_t kLineCost = 32;

  // Starts the writer's thread. `capacity` bounds the bytes queued (text and kLineCost per line).
  LineWriter(Sink sink, std::size_t capacity);
  // Drops what is still queued and waits for the write in progress: the sink must return.
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Queues `line` (given without its line end) and returns without waiting for the stream. A line
  // that does not fit is dropped and counted; the next line of that stream that fits is preceded
  // by one line saying how many were left out there.
  void Write(StandardStream stream, std::string_view line);

  // Waits until every line queued so far has been handed to the sink, giving up once the sink has
  // not finished a write for `patience`; false when it gave up.
  bool Finish(std::chrono::milliseconds patience);

  // The bytes queued now, as counted against the capacity.
  std::size_t QueuedBytes() const;
  // The lines dropped so far because the queue was full.
  std::uint64_t DroppedLines() const;

  // The line that stands for `count` lines left out of a stream.
  static std::string DroppedLinesNotice(std::uint64_t count);

 private:
  struct Line {
    StandardStream stream;
    std::string text;  // with its line end
  };

  static std::size_t CostOf(std::size_t textLength) { return textLength + kLineCost; }
  static std::size_t IndexOf(StandardStream stream) { return stream == StandardStream::Output ? 0 : 1; }
  void Push(StandardStream stream, std::string text);
  void Run();

  const Sink sink_;
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable lineQueued_;
  std::condition_variable lineWritten_;
  std::deque<Line> queue_;
  std::size_t queuedBytes_ = 0;
  bool writing_ = false;                   // the sink has a line that is no longer queued
  std::uint64_t written_ = 0;              // lines the sink has finished with
  std::uint64_t unannounced_[2] = {0, 0};  // per stream, dropped since its last notice
  std::uint64_t dropped_ = 0;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once everything it uses exists
};

}  // namespace framework
