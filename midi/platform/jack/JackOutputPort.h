#pragma once

// An open output port of the transport on JACK: an output port of our own, connected to the
// destination. A send that waits returns once its event went out in a cycle; one taken at once
// returns as soon as its event is queued for the next cycles. Either fails with MIDIERR_NODEVICE
// when the connection is gone (the destination went away, or the server did), since JACK reports
// no failure for a send that nobody receives.

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "midi/platform/Transport.h"
#include "midi/platform/jack/JackMidiOutput.h"

namespace platform {

class JackOutputPort final : public OutputConnection {
 public:
  // Null, with `result` set, when the destination is gone or the port cannot be made.
  static std::unique_ptr<JackOutputPort> Open(const std::string& clientName, const std::string& destination,
                                              MMRESULT& result);

  ~JackOutputPort() override;
  JackOutputPort(const JackOutputPort&) = delete;
  JackOutputPort& operator=(const JackOutputPort&) = delete;

  MMRESULT SendShort(DWORD message) override;
  std::optional<MMRESULT> TrySendLong(std::span<const BYTE> bytes) override;
  MMRESULT SendLong(std::span<const BYTE> bytes) override;
  void Cancel() override;

 private:
  explicit JackOutputPort(std::string destination) : destination_(std::move(destination)) {}
  MMRESULT Send(std::span<const BYTE> bytes, bool cancellable);
  // Why a wait must end now, if it must: a cancel (which ends a send without an error, being
  // how a reset ends it) or the connection's loss.
  std::optional<MMRESULT> Interruption(bool cancellable) const;

  const std::string destination_;
  std::atomic<bool> cancelled_{false};
  std::unique_ptr<JackMidiOutput> output_;
};

}  // namespace platform
