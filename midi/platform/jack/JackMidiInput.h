#pragma once

// A MIDI input port of our own on the JACK server: the process callback hands every event of
// the cycle to the receiver, in order, on JACK's real-time thread. Destroying it stops the
// callback first: once the destructor returns, the receiver is never called again.

#include <jack/jack.h>

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

 protected:
  ~JackEventReceiver() = default;
};

class JackMidiInput {
 public:
  // Null when no server answers or the port cannot be made.
  static std::unique_ptr<JackMidiInput> Open(const std::string& clientName, const std::string& portName,
                                             JackEventReceiver& receiver);

  JackClientPort& Client() { return *client_; }
  const JackClientPort& Client() const { return *client_; }

 private:
  explicit JackMidiInput(JackEventReceiver& receiver) : receiver_(receiver) {}
  static void Process(void* self, void* portBuffer, jack_nframes_t frames) noexcept;

  JackEventReceiver& receiver_;
  std::unique_ptr<JackClientPort> client_;
};

}  // namespace platform
