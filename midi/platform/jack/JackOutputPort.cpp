#include "midi/platform/jack/JackOutputPort.h"

#include <array>
#include <chrono>
#include <thread>
#include <utility>

#include "midi/platform/MessageLength.h"

namespace platform {

namespace {

const std::string kOwnPortName = "out";
// Well below a cycle, which is a few milliseconds at the least.
constexpr std::chrono::microseconds kPollInterval{500};
// Some cycles, even of a server at its longest period.
constexpr std::chrono::milliseconds kDrainLimit{250};

}  // namespace

std::unique_ptr<JackOutputPort> JackOutputPort::Open(const std::string& clientName, const std::string& destination,
                                                     MMRESULT& result) {
  std::unique_ptr<JackOutputPort> port(new JackOutputPort(destination));
  port->output_ = JackMidiOutput::Open(clientName, kOwnPortName);
  if (port->output_ == nullptr) {
    result = MMSYSERR_ERROR;
    return nullptr;
  }
  if (!port->output_->Client().ConnectWith(destination)) {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  result = MMSYSERR_NOERROR;
  return port;
}

// A message taken at once is reported sent while it may still wait for its cycle; the program
// may close the port right after its last one (FinishRequest), so the queue gets a few cycles to
// go out first.
JackOutputPort::~JackOutputPort() {
  if (output_ == nullptr) return;
  const auto giveUp = std::chrono::steady_clock::now() + kDrainLimit;
  while (output_->Written() < output_->Queued() && !Interruption(false) && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(kPollInterval);
}

MMRESULT JackOutputPort::SendShort(DWORD message) {
  std::array<BYTE, 3> storage;
  const std::span<const BYTE> bytes = ShortMessageBytes(message, storage);
  if (bytes.empty()) return MMSYSERR_INVALPARAM;
  return Send(bytes, false);
}

// Room in the queue is all it takes: the process callback writes the queue in order, what one
// cycle has no room for in the next.
std::optional<MMRESULT> JackOutputPort::TrySendLong(std::span<const BYTE> bytes) {
  if (const auto interruption = Interruption(false)) return *interruption;
  if (bytes.empty() || bytes.size() > output_->LargestEvent()) return MMSYSERR_INVALPARAM;
  if (!output_->TryQueue(bytes)) return std::nullopt;
  return MMSYSERR_NOERROR;
}

MMRESULT JackOutputPort::SendLong(std::span<const BYTE> bytes) {
  // A Cancel before this send began was meant for an earlier one.
  cancelled_.store(false, std::memory_order_release);
  return Send(bytes, true);
}

void JackOutputPort::Cancel() { cancelled_.store(true, std::memory_order_release); }

MMRESULT JackOutputPort::Send(std::span<const BYTE> bytes, bool cancellable) {
  if (const auto interruption = Interruption(false)) return *interruption;
  if (bytes.empty() || bytes.size() > output_->LargestEvent()) return MMSYSERR_INVALPARAM;
  while (!output_->TryQueue(bytes)) {
    if (const auto interruption = Interruption(cancellable)) return *interruption;
    std::this_thread::sleep_for(kPollInterval);
  }
  const std::uint64_t event = output_->Queued();
  while (output_->Written() < event) {
    if (const auto interruption = Interruption(cancellable)) return *interruption;
    std::this_thread::sleep_for(kPollInterval);
  }
  return MMSYSERR_NOERROR;
}

std::optional<MMRESULT> JackOutputPort::Interruption(bool cancellable) const {
  if (cancellable && cancelled_.load(std::memory_order_acquire)) return MMSYSERR_NOERROR;
  if (!output_->Client().ConnectedWith(destination_)) return MIDIERR_NODEVICE;
  return std::nullopt;
}

}  // namespace platform
