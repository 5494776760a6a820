#pragma once

// A third JACK client that forges the device's replies, on libjack directly: it connects its
// output to a port of the tool's and writes its forged messages in every cycle whose graph has
// that connection, so that they reach the tool's port as surely as JACK can carry them. It counts
// the cycles in which they did: a test that expects the tool to drop them knows they came.

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/SysexMessage.h"

namespace testsupport {

class ForgingClient {
 public:
  // `messages` go out in order, as many as a cycle has room for; with `repeat` all of them again
  // in every connected cycle, else each once. Throws std::runtime_error without a server.
  ForgingClient(std::vector<Bytes> messages, bool repeat);
  ~ForgingClient();
  ForgingClient(const ForgingClient&) = delete;
  ForgingClient& operator=(const ForgingClient&) = delete;

  std::string OutputName() const { return jack_port_name(port_); }
  // The full names of the ports connected to `port` now.
  std::vector<std::string> ConnectionsOf(const std::string& port) const;
  // Connects our output to `victim`; true once the connection is gone again within `limit`.
  bool ConnectUntilUndone(const std::string& victim, std::chrono::milliseconds limit);

  // Cycles in which forged messages went over a connection to the victim, and how many went.
  int CyclesDelivered() const { return cyclesDelivered_.load(); }
  std::size_t MessagesDelivered() const { return delivered_.load(); }

 private:
  static int Process(jack_nframes_t frames, void* self);

  const std::vector<Bytes> messages_;
  const bool repeat_;
  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::array<char, 512> victim_{};  // set before each connection, read by the process callback
  std::atomic<bool> victimSet_{false};
  std::size_t next_ = 0;  // the message to write next; the process callback's only
  std::atomic<int> cyclesDelivered_{0};
  std::atomic<std::size_t> delivered_{0};
};

}  // namespace testsupport
