#pragma once

// Standard output replaced by a pipe that is full and that nobody reads: every write to it waits,
// as it does for a terminal stopped with Ctrl+S. The pipe is read only when the test says so, or,
// so that a program that waited for it cannot hang the test, once `patience` has run out.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace guitest {

class UnreadStandardOutput {
 public:
  explicit UnreadStandardOutput(std::chrono::seconds patience);
  // Puts the standard output back.
  ~UnreadStandardOutput();
  UnreadStandardOutput(const UnreadStandardOutput&) = delete;
  UnreadStandardOutput& operator=(const UnreadStandardOutput&) = delete;

  // Reads the pipe until the program's line writer has written everything, puts the standard
  // output back, and gives the lines that came after the filling.
  std::vector<std::string> ReadLines();
  // Whether the patience ran out before ReadLines: something waited for the pipe that long.
  bool ReadForcibly();

 private:
  void Read(std::chrono::seconds patience);
  void Release();
  void Restore();

  int savedOutput_ = -1;
  int readEnd_ = -1;
  std::mutex mutex_;
  std::condition_variable release_;
  bool released_ = false;
  bool forced_ = false;
  std::string received_;
  std::thread reader_;
};

}  // namespace guitest
