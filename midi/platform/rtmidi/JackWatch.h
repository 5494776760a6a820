#pragma once

// Our own client of the JACK server, kept while the server runs: it proves the server is there,
// hears when it goes away, lists the server's MIDI ports, and counts process cycles so that
// output can be paced to what one cycle carries. It counts only once asked to: a client in the
// process graph is woken every cycle, which is most of what waiting for a device would cost.

#include <jack/jack.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class JackWatch {
 public:
  // Null when no server answers.
  static std::shared_ptr<JackWatch> Connect(const std::string& clientName);
  ~JackWatch();
  JackWatch(const JackWatch&) = delete;
  JackWatch& operator=(const JackWatch&) = delete;

  // The full names of the MIDI ports whose flags include `flags` (JackPortIsOutput for ports
  // that deliver to us), in the server's order. Window thread.
  std::vector<std::string> MidiPorts(unsigned long flags) const;
  // Starts counting cycles, once; a server that refuses counts as gone. Window thread.
  void CountCycles();
  // Process cycles counted so far; any thread.
  std::uint64_t Cycle() const { return cycles_.load(std::memory_order_acquire); }
  // True once the server has shut down or dropped us; any thread.
  bool ServerGone() const { return gone_.load(std::memory_order_acquire); }
  // What the buffer of one MIDI port holds in one cycle.
  std::size_t MidiPortBytes() const { return midiPortBytes_; }

 private:
  explicit JackWatch(jack_client_t* client);
  static int OnProcess(jack_nframes_t frames, void* watch);
  static void OnShutdown(void* watch);

  jack_client_t* const client_;
  bool counting_ = false;
  std::atomic<std::uint64_t> cycles_{0};
  std::atomic<bool> gone_{false};
  std::size_t midiPortBytes_ = 0;
};

}  // namespace platform
