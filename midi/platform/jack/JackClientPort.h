#pragma once

// One client of ours on the JACK server with one MIDI port, and the process callback that runs
// it on JACK's real-time thread. The callback runs from Open until the destructor has
// deactivated and closed the client: the destructor returns only once no cycle of it can run
// any more. So whatever the callback reads must outlive this object: its owner declares it last,
// after what the callback uses, so that it goes first.

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "midi/platform/Direction.h"

namespace platform {

class JackClientPort {
 public:
  // Called once a cycle with the port's buffer for that cycle; must not allocate, lock or block.
  using Process = void (*)(void* context, void* portBuffer, jack_nframes_t frames) noexcept;

  // Null when no server answers or the port cannot be made.
  static std::unique_ptr<JackClientPort> Open(const std::string& clientName, const std::string& portName,
                                              Direction direction, Process process, void* context);
  ~JackClientPort();
  JackClientPort(const JackClientPort&) = delete;
  JackClientPort& operator=(const JackClientPort&) = delete;

  // The port's full name, "client:port".
  std::string Name() const;
  // Connects our port with another one (ours sends to it, or it sends to ours) and waits until
  // the server's graph has taken the connection in and run whole cycles with it, so that the
  // two clients already run one after the other (just after a connection shows, they may still
  // run side by side, one reading the port buffer while the other clears it); false when the
  // other port is not there or refuses, or the server takes no connection within a while.
  bool ConnectWith(const std::string& otherPort);
  // True while our port is connected with `otherPort`; false once either went away.
  bool ConnectedWith(const std::string& otherPort) const;
  // True once the server has shut down or dropped the client; any thread.
  bool ServerGone() const { return gone_.load(std::memory_order_acquire); }

 private:
  JackClientPort(jack_client_t* client, Direction direction, Process process, void* context);
  static int OnProcess(jack_nframes_t frames, void* self);
  static void OnShutdown(void* self);

  jack_client_t* const client_;
  const Direction direction_;
  const Process process_;
  void* const context_;
  jack_port_t* port_ = nullptr;
  std::atomic<bool> gone_{false};
  std::atomic<std::uint64_t> cycles_{0};
};

}  // namespace platform
