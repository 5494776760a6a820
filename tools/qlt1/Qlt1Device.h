#pragma once

// The one stand-in for the QLT-1, whatever carries its messages: the device's side of the
// conversation (Qlt1Model, with its restart), what a hostile device sends around its replies
// (Misbehaviour), and a device that hangs mid-update. A thin adapter per transport derives from
// it, hands it each message from the tool and sends the events it gives back, in order:
// tests/support/SimulatedQlt1 on the simulated transport, Emulator on JACK or ALSA ports
// (DevicePorts). The adapter's thread feeds it while others read its counts: one lock guards it.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "tools/qlt1/Misbehaviour.h"
#include "tools/qlt1/Qlt1Model.h"

namespace qlt1 {

class Qlt1Device {
 public:
  Qlt1Device(const Qlt1Device&) = delete;
  Qlt1Device& operator=(const Qlt1Device&) = delete;

  // From now on it answers nothing once it has received `blocks` blocks, as one that hangs
  // mid-update, so that a test can act while the update is surely under way.
  void FallSilentAfter(std::size_t blocks);

  // As Qlt1Model counts them; any thread.
  int Probes() const;
  int Finishes() const;
  int BadImages() const;
  std::vector<int> BlocksReceived() const;
  std::vector<std::string> Faults() const;
  bool ImageVerified() const;
  // The bytes of a block as the device received it.
  std::vector<std::uint8_t> ReceivedBlock(int block) const;
  // What was received, in the table format.
  void WriteImage(std::ostream& out) const;

 protected:
  // What one message from the tool, or a restart, comes to.
  struct Outcome {
    std::vector<Message> events;       // to send, in order, each one event
    std::optional<int> block;          // the good block it took
    std::optional<std::string> fault;  // what it objected to
    bool ready = false;                // it answered ReadyReply
    bool finished = false;             // a FinishRequest came
  };

  // The built-in table is the one it checks against.
  explicit Qlt1Device(Qlt1Model::Options options = {}, Hostility hostility = {});
  ~Qlt1Device() = default;

  Outcome Answer(std::span<const std::uint8_t> message);
  // Switched off and on again (Qlt1Model::Restart).
  Outcome Reboot();

 private:
  Outcome Misbehave(const std::vector<Message>& replies);

  mutable std::mutex mutex_;
  Qlt1Model model_;
  Misbehaviour misbehaviour_;
  std::size_t silentAfter_ = SIZE_MAX;
};

}  // namespace qlt1
