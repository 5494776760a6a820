#pragma once

// A MIDI input port of our own on the JACK server: the process callback hands every event of
// the cycle to the receiver, in order, on JACK's real-time thread. Destroying it stops the
// callback first: once the destructor returns, the receiver is never called again.
//
// The events are copied out of the port's buffer before any is handed over. With one connection
// that buffer is the sender's own, which the sender clears at its next cycle; should the server
// start that cycle while a slow receiver is still at work (JACK does not wait for a client late
// for its cycle), events still in the buffer would be lost.
//
// An input that admits one port takes only that port's events: a cycle in which another port is
// connected too is dropped whole and reported as a loss, one from other ports alone is dropped
// silently, and the other connections are undone (JackConnectionGuard, run by JackClientPort).

#include <jack/jack.h>

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "midi/platform/MmSystem.h"
#include "midi/platform/jack/JackClientPort.h"

namespace platform {

class JackEventReceiver {
 public:
  // JACK's real-time thread, one call at a time: must not allocate, lock or block.
  virtual void ReceiveEvent(std::span<const BYTE> bytes) noexcept = 0;
  // Events of the admitted port were lost here: gone before they could be read, or not believed
  // because another port sent in the same cycle. Same thread and rules.
  virtual void EventsLost() noexcept = 0;

 protected:
  ~JackEventReceiver() = default;
};

class JackMidiInput {
 public:
  // Null when no server answers or the port cannot be made. `admitted`: the full name of the one
  // port believed, or empty for any.
  static std::unique_ptr<JackMidiInput> Open(const std::string& clientName, const std::string& portName,
                                             JackEventReceiver& receiver, const std::string& admitted = {});

  JackClientPort& Client() { return *client_; }
  const JackClientPort& Client() const { return *client_; }

 private:
  explicit JackMidiInput(JackEventReceiver& receiver);
  static void Process(void* self, const JackClientPort& port, void* portBuffer, jack_nframes_t frames) noexcept;
  void HandOver(std::size_t stagedBytes) noexcept;

  JackEventReceiver& receiver_;
  std::unique_ptr<BYTE[]> staging_;         // each event as its length, then its bytes
  std::unique_ptr<JackClientPort> client_;  // last: closed before what its callback reads
};

}  // namespace platform
