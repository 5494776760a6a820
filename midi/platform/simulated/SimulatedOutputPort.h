#pragma once

// An open output port of a simulated device: records what is sent and tells the device's hook, on
// the sending thread. Long sends wait while the device is held, and are not taken at once then.

#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "midi/platform/simulated/SimulatedState.h"

namespace platform {

class SimulatedOutputPort final : public OutputConnection {
 public:
  SimulatedOutputPort(std::shared_ptr<SimulatedTransport::State> state, SimulatedTransport::DeviceId device);
  ~SimulatedOutputPort() override;

  MMRESULT SendShort(DWORD message) override;
  std::optional<MMRESULT> TrySendLong(std::span<const BYTE> bytes) override;
  MMRESULT SendLong(std::span<const BYTE> bytes) override;
  void Cancel() override;
  bool DeviceSwitchedOff() const override;

 private:
  // Records `message` and calls the hook after unlocking, so the hook may use the transport.
  MMRESULT Deliver(std::unique_lock<std::mutex>& lock, SentMessage message);

  std::shared_ptr<SimulatedTransport::State> state_;
  SimulatedTransport::DeviceId device_;
  bool cancelled_ = false;  // guarded by the state's mutex
};

}  // namespace platform
