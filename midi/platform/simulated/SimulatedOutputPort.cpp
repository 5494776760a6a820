#include "midi/platform/simulated/SimulatedOutputPort.h"

namespace platform {

SimulatedOutputPort::SimulatedOutputPort(std::shared_ptr<SimulatedTransport::State> state,
                                         SimulatedTransport::DeviceId device)
    : state_(std::move(state)), device_(device) {}

SimulatedOutputPort::~SimulatedOutputPort() {
  std::lock_guard lock(state_->mutex);
  state_->devices[device_].outputOpen = false;
}

MMRESULT SimulatedOutputPort::SendShort(DWORD message) {
  std::unique_lock lock(state_->mutex);
  if (!state_->devices[device_].present) return MIDIERR_NODEVICE;
  return Deliver(lock, SentMessage{.isLong = false, .shortMessage = message, .bytes = {}});
}

// A held device makes a long message wait.
std::optional<MMRESULT> SimulatedOutputPort::TrySendLong(std::span<const BYTE> bytes) {
  std::unique_lock lock(state_->mutex);
  const SimulatedTransport::State::Device& device = state_->devices[device_];
  if (!device.present) return MIDIERR_NODEVICE;
  if (device.held) return std::nullopt;
  return Deliver(lock, SentMessage{.isLong = true, .shortMessage = 0, .bytes = {bytes.begin(), bytes.end()}});
}

MMRESULT SimulatedOutputPort::SendLong(std::span<const BYTE> bytes) {
  std::unique_lock lock(state_->mutex);
  SimulatedTransport::State::Device& device = state_->devices[device_];
  // A Cancel before this send began was meant for an earlier one.
  cancelled_ = false;
  const auto letGo = [&] { return !device.present || !device.held || cancelled_; };
  if (!letGo()) {
    ++device.sendsHeld;
    state_->outputChanged.wait(lock, letGo);
    --device.sendsHeld;
  }
  if (!device.present) return MIDIERR_NODEVICE;
  // Cancelling is how a reset ends a send; the bytes never went out, but nothing failed.
  if (cancelled_) return MMSYSERR_NOERROR;
  return Deliver(lock, SentMessage{.isLong = true, .shortMessage = 0, .bytes = {bytes.begin(), bytes.end()}});
}

bool SimulatedOutputPort::DeviceSwitchedOff() const {
  std::lock_guard lock(state_->mutex);
  return state_->devices[device_].switchedOff;
}

void SimulatedOutputPort::Cancel() {
  std::lock_guard lock(state_->mutex);
  cancelled_ = true;
  state_->outputChanged.notify_all();
}

MMRESULT SimulatedOutputPort::Deliver(std::unique_lock<std::mutex>& lock, SentMessage message) {
  SimulatedTransport::State::Device& device = state_->devices[device_];
  device.sent.push_back(message);
  const auto onSent = device.onSent;
  lock.unlock();
  if (onSent) (*onSent)(message);
  return MMSYSERR_NOERROR;
}

}  // namespace platform
