#pragma once

// Our own client of the JACK server, kept while the server runs: it proves the server is there,
// hears when it goes away, and counts process cycles so that output can be paced to what one
// cycle carries.

#include <jack/jack.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class JackWatch {
 public:
  // Null when no server answers.
  static std::shared_ptr<JackWatch> Connect(const std::string& clientName);
  ~JackWatch();
  JackWatch(const JackWatch&) = delete;
  JackWatch& operator=(const JackWatch&) = delete;

  // Process cycles begun since the watch connected; any thread.
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
  std::atomic<std::uint64_t> cycles_{0};
  std::atomic<bool> gone_{false};
  std::size_t midiPortBytes_ = 0;
};

}  // namespace platform
