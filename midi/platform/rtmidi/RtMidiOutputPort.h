#pragma once

// An open output port of a MIDI system: an RtMidiOut of our own, connected to the port. Every
// send first checks that the port is still there, since neither system reports sending to a port
// that went away. A message the system cannot take yet is held back and tried again, never
// dropped; on JACK, a pacer keeps each cycle within what it carries.

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "midi/platform/Transport.h"
#include "midi/platform/rtmidi/ErrorRecorder.h"
#include "midi/platform/rtmidi/JackPacer.h"

namespace platform {

class RtMidiOutputPort final : public OutputConnection {
 public:
  // `watch` is JACK's, null for other systems. Null, with `result` set, when the port is gone or
  // cannot be opened.
  static std::unique_ptr<RtMidiOutputPort> Open(RtMidi::Api api, const std::string& clientName,
                                                const std::string& portName, std::shared_ptr<JackWatch> watch,
                                                MMRESULT& result);
  ~RtMidiOutputPort() override = default;

  MMRESULT SendShort(DWORD message) override;
  MMRESULT SendLong(std::span<const BYTE> bytes) override;
  void Cancel() override;

 private:
  RtMidiOutputPort(std::string portName, std::shared_ptr<JackWatch> watch);
  MMRESULT Connect(RtMidi::Api api, const std::string& clientName);
  // A cancelled send returns without an error: cancelling is how a reset ends a send.
  MMRESULT Send(std::span<const BYTE> bytes, bool cancellable);
  MMRESULT Hand(std::span<const BYTE> bytes, bool cancellable);
  bool PortPresent();

  const std::string portName_;
  std::shared_ptr<JackWatch> watch_;
  std::optional<JackPacer> pacer_;
  std::atomic<bool> cancelled_{false};
  ErrorRecorder errors_;  // before output_, which reports to it until it goes
  std::unique_ptr<RtMidiOut> output_;
};

}  // namespace platform
