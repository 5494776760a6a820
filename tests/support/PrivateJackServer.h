#pragma once

// A JACK server of the test's own: `jackd -S -d dummy` under a name of this process's own, which
// every JACK client of this process is pointed at. It is stopped with the test, and ends with the
// test process if that ends first; servers it did not start are never touched. A server that had
// to be killed gets its entry in JACK's table of servers back.

#include <sys/types.h>

#include <string>

namespace testsupport {

class PrivateJackServer {
 public:
  // Names the server; starts nothing.
  PrivateJackServer();
  ~PrivateJackServer();
  PrivateJackServer(const PrivateJackServer&) = delete;
  PrivateJackServer& operator=(const PrivateJackServer&) = delete;

  // True once the server answers clients.
  bool Start();
  void Stop();
  const std::string& Name() const { return name_; }
  // A paused server runs no process cycles; Pause returns once none runs.
  void Pause();
  void Resume();

 private:
  bool Answers() const;
  void ReleaseTableEntry() const;
  void RemoveLeftovers() const;

  const std::string name_;
  const std::string log_;
  pid_t pid_ = -1;
};

}  // namespace testsupport
