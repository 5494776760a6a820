#pragma once

// An open output port of the ALSA sequencer: an RtMidiOut of our own, connected to the port.
// Every send first checks that the port is still there, since the sequencer does not report
// sending to a port that went away; the check asks for the port's own address, through a client
// of ours that makes no port. A send the sequencer refuses (the receiver's pool is full) is
// tried again for a while. It seldom refuses one: RtMidi time-stamps its connection on queue 0,
// and while that queue exists (every RtMidi input makes one) the sequencer drops what a receiver
// has no room for without telling the sender, and an overflowed receiver loses what it held too.
// No sender can prevent that on the ALSA sequencer; the conversation's replies pace the blocks.

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "midi/platform/Transport.h"
#include "midi/platform/alsa/ErrorRecorder.h"

namespace platform {

class AlsaOutputPort final : public OutputConnection {
 public:
  // Null, with `result` set, when the port is gone or cannot be opened.
  static std::unique_ptr<AlsaOutputPort> Open(const std::string& clientName, const std::string& portName,
                                              MMRESULT& result);
  ~AlsaOutputPort() override;
  AlsaOutputPort(const AlsaOutputPort&) = delete;
  AlsaOutputPort& operator=(const AlsaOutputPort&) = delete;

  MMRESULT SendShort(DWORD message) override;
  std::optional<MMRESULT> TrySendLong(std::span<const BYTE> bytes) override;
  MMRESULT SendLong(std::span<const BYTE> bytes) override;
  void Cancel() override;

  // Sends tried again since the port opened. Tests read it: whether the sequencer refuses a send
  // at all depends on its queues and on how fast the receiver reads, which only a test arranges.
  unsigned Retries() const { return retries_.load(std::memory_order_relaxed); }

 private:
  explicit AlsaOutputPort(std::string portName) : portName_(std::move(portName)) {}
  MMRESULT Connect(const std::string& clientName);
  // A cancelled send returns without an error: cancelling is how a reset ends a send.
  MMRESULT Send(std::span<const BYTE> bytes, bool cancellable);
  MMRESULT Hand(std::span<const BYTE> bytes, bool cancellable);
  bool PortPresent();

  const std::string portName_;
  std::atomic<bool> cancelled_{false};
  std::atomic<unsigned> retries_{0};
  snd_seq_t* lookup_ = nullptr;  // asks whether the port is still there
  snd_seq_addr_t address_{};
  ErrorRecorder errors_;  // before output_, which reports to it until it goes
  std::unique_ptr<RtMidiOut> output_;
};

}  // namespace platform
