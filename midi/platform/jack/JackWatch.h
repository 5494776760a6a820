#pragma once

// Our own client of the JACK server, kept while the server runs: it proves the server is there,
// hears when it goes away, and lists the server's MIDI ports. It is never activated: a client in
// the process graph is woken every cycle, which is most of what waiting for a device would cost.

#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class JackWatch {
 public:
  // Null when no server answers.
  static std::unique_ptr<JackWatch> Connect(const std::string& clientName);
  ~JackWatch();
  JackWatch(const JackWatch&) = delete;
  JackWatch& operator=(const JackWatch&) = delete;

  // The full names of the MIDI ports whose flags include `flags` (JackPortIsOutput for ports
  // that deliver to us), in the server's order. Window thread.
  std::vector<std::string> MidiPorts(unsigned long flags) const;
  // True once the server has shut down or dropped us; any thread.
  bool ServerGone() const { return gone_.load(std::memory_order_acquire); }

 private:
  explicit JackWatch(jack_client_t* client);
  static void OnShutdown(void* watch);

  jack_client_t* const client_;
  std::atomic<bool> gone_{false};
};

}  // namespace platform
