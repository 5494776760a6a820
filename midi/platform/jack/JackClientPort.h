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
#include "midi/platform/jack/JackConnectionGuard.h"

namespace platform {

class JackClientPort {
 public:
  // Called once a cycle with the port and its buffer for that cycle; must not allocate, lock or
  // block.
  using Process = void (*)(void* context, const JackClientPort& port, void* portBuffer, jack_nframes_t frames) noexcept;

  // Null when no server answers or the port cannot be made. `admitted`, for an input: the full
  // name of the one port that may stay connected to ours; a thread of ours undoes every other
  // connection (JackConnectionGuard). Empty: any port may connect.
  static std::unique_ptr<JackClientPort> Open(const std::string& clientName, const std::string& portName,
                                              Direction direction, Process process, void* context,
                                              const std::string& admitted = {});
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

  // Which ports send to our input in the cycle under way. JACK merges what every connection sends
  // into one buffer, so while another port is connected too, no event of the cycle can be told to
  // be the admitted port's. Without an admitted port, every sender counts as admitted. JACK's
  // real-time thread only: there libjack reads the cycle's graph, which the server changes only
  // between cycles, without waiting, locking or allocating.
  enum class Senders { Admitted, AdmittedAndOthers, OthersOnly };
  Senders CycleSenders() const noexcept;

 private:
  JackClientPort(jack_client_t* client, Direction direction, Process process, void* context, std::string admitted);
  static int OnProcess(jack_nframes_t frames, void* self);
  static void OnShutdown(void* self);
  static void OnConnect(jack_port_id_t source, jack_port_id_t destination, int connected, void* self);

  jack_client_t* const client_;
  const Direction direction_;
  const Process process_;
  void* const context_;
  const std::string admitted_;
  jack_port_t* port_ = nullptr;
  std::unique_ptr<JackConnectionGuard> guard_;  // stopped before the client closes, freed after
  std::atomic<bool> gone_{false};
  std::atomic<std::uint64_t> cycles_{0};
};

}  // namespace platform
