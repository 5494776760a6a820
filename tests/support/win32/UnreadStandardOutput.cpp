#include "tests/support/UnreadStandardOutput.h"

#include <windows.h>
// After windows.h.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "framework/StandardLines.h"

namespace testsupport {

namespace {

constexpr DWORD kPipeSize = 4096;

void Require(bool holds, const char* what) {
  if (!holds) throw std::runtime_error(std::string("UnreadStandardOutput: ") + what);
}

}  // namespace

UnreadStandardOutput::UnreadStandardOutput(std::chrono::seconds patience) {
  framework::FinishStandardLines();
  std::fflush(stdout);
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  Require(::CreatePipe(&readEnd, &writeEnd, nullptr, kPipeSize) != FALSE, "no pipe");
  readEnd_ = readEnd;
  // Exactly the pipe's size fits without a reader; the next write waits.
  const std::string lineEnds(kPipeSize, '\n');
  DWORD written = 0;
  Require(::WriteFile(writeEnd, lineEnds.data(), kPipeSize, &written, nullptr) != FALSE && written == kPipeSize,
          "cannot fill the pipe");
  const int pipeDescriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_TEXT);
  savedOutput_ = ::_dup(::_fileno(stdout));
  Require(pipeDescriptor >= 0 && savedOutput_ >= 0 && ::_dup2(pipeDescriptor, ::_fileno(stdout)) == 0,
          "cannot replace standard output");
  ::_close(pipeDescriptor);
  reader_ = std::thread([this, patience] { Read(patience); });
}

UnreadStandardOutput::~UnreadStandardOutput() {
  Restore();
  ::_close(savedOutput_);
  ::CloseHandle(readEnd_);
}

std::vector<std::string> UnreadStandardOutput::ReadLines() {
  Release();
  framework::FinishStandardLines();
  Restore();
  std::vector<std::string> lines;
  std::istringstream stream(received_);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

bool UnreadStandardOutput::ReadForcibly() {
  const std::lock_guard lock(mutex_);
  return forced_;
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
  ::_dup2(savedOutput_, ::_fileno(stdout));
  reader_.join();
}

void UnreadStandardOutput::Read(std::chrono::seconds patience) {
  {
    std::unique_lock lock(mutex_);
    forced_ = !release_.wait_for(lock, patience, [this] { return released_; });
  }
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(readEnd_, buffer, sizeof buffer, &got, nullptr) != FALSE && got > 0) received_.append(buffer, got);
}

}  // namespace testsupport
