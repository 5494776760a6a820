#include "tests/support/UnreadStandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "framework/StandardLines.h"

namespace testsupport {

namespace {

// The smallest pipe the system gives (a page): little to fill.
constexpr int kPipeSize = 4096;

void Require(bool holds, const char* what) {
  if (!holds) throw std::runtime_error(std::string("UnreadStandardOutput: ") + what);
}

// Fills the pipe with line ends until a write would wait.
void Fill(int writeEnd) {
  const int flags = ::fcntl(writeEnd, F_GETFL);
  Require(::fcntl(writeEnd, F_SETFL, flags | O_NONBLOCK) == 0, "cannot make the pipe non-blocking");
  const std::string lineEnds(kPipeSize, '\n');
  while (::write(writeEnd, lineEnds.data(), lineEnds.size()) > 0) {
  }
  Require(errno == EAGAIN, "cannot fill the pipe");
  Require(::fcntl(writeEnd, F_SETFL, flags) == 0, "cannot make the pipe blocking again");
}

}  // namespace

UnreadStandardOutput::UnreadStandardOutput(std::chrono::seconds patience) {
  framework::FinishStandardLines();
  std::fflush(stdout);
  int ends[2] = {-1, -1};
  Require(::pipe2(ends, O_CLOEXEC) == 0, "no pipe");
  ::fcntl(ends[1], F_SETPIPE_SZ, kPipeSize);
  Fill(ends[1]);
  readEnd_ = ends[0];
  savedOutput_ = ::dup(STDOUT_FILENO);
  Require(savedOutput_ >= 0 && ::dup2(ends[1], STDOUT_FILENO) == STDOUT_FILENO, "cannot replace standard output");
  ::close(ends[1]);
  reader_ = std::thread([this, patience] { Read(patience); });
}

UnreadStandardOutput::~UnreadStandardOutput() {
  Restore();
  ::close(savedOutput_);
  ::close(readEnd_);
}

std::vector<std::string> UnreadStandardOutput::ReadLines() {
  Release();
  framework::FinishStandardLines();
  Restore();
  std::vector<std::string> lines;
  std::istringstream stream(received_);
  for (std::string line; std::getline(stream, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

void UnreadStandardOutput::Release() {
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
  }
  release_.notify_all();
}

// The pipe's last writer goes: the reader, once released, reads to its end.
void UnreadStandardOutput::Restore() {
  if (!reader_.joinable()) return;
  Release();
  ::dup2(savedOutput_, STDOUT_FILENO);
  reader_.join();
}

bool UnreadStandardOutput::ReadForcibly() {
  const std::lock_guard lock(mutex_);
  return forced_;
}

void UnreadStandardOutput::Read(std::chrono::seconds patience) {
  {
    std::unique_lock lock(mutex_);
    forced_ = !release_.wait_for(lock, patience, [this] { return released_; });
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(readEnd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    received_.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace testsupport
