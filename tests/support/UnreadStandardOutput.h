#pragma once

// Standard output replaced by a pipe that is full and that nobody reads: every write to it waits,
// as it does for a terminal stopped with Ctrl+S, or a Windows console with a text selection in it.
// The pipe is read only when the test says so, or, so that a program that waited for it cannot
// hang the test, once `patience` has run out. One implementation per system: qt/ and win32/.
// Without the system's headers, for test files that use the port layer.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class UnreadStandardOutput {
 public:
  explicit UnreadStandardOutput(std::chrono::seconds patience);
  // Puts the standard output back.
  ~UnreadStandardOutput();
  UnreadStandardOutput(const UnreadStandardOutput&) = delete;
  UnreadStandardOutput& operator=(const UnreadStandardOutput&) = delete;

  // Reads the pipe until the program's line writer has written everything, puts the standard
  // output back, and gives the lines that came after the filling, without a Windows line's CR.
  std::vector<std::string> ReadLines();
  // Whether the patience ran out before ReadLines: something waited for the pipe that long.
  bool ReadForcibly();

 private:
#ifdef _WIN32
  using PipeEnd = void*;  // the pipe's HANDLE
  static constexpr PipeEnd kNoPipe = nullptr;
#else
  using PipeEnd = int;  // the pipe's descriptor
  static constexpr PipeEnd kNoPipe = -1;
#endif

  void Read(std::chrono::seconds patience);
  void Release();
  void Restore();

  int savedOutput_ = -1;
  PipeEnd readEnd_ = kNoPipe;
  std::mutex mutex_;
  std::condition_variable release_;
  bool released_ = false;
  bool forced_ = false;
  std::string received_;
  std::thread reader_;
};

}  // namespace testsupport
