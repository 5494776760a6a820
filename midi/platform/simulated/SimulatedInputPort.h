#pragma once

// An open input port of a simulated device: its channel, and the driver thread that empties it
// into the sink. Closing it detaches the channel from the device and stops the thread.

#include <cstddef>
#include <memory>
#include <thread>

#include "midi/platform/simulated/InputChannel.h"
#include "midi/platform/simulated/InputDriver.h"
#include "midi/platform/simulated/SimulatedState.h"

namespace platform {

class SimulatedInputPort final : public InputConnection {
 public:
  SimulatedInputPort(std::shared_ptr<SimulatedTransport::State> state, SimulatedTransport::DeviceId device,
                     InputSink& sink, std::size_t fifoBytes);
  ~SimulatedInputPort() override;
  bool DeviceSwitchedOff() const override;

  const std::shared_ptr<InputChannel>& Channel() const { return channel_; }
  std::thread::id DriverThreadId() const { return driver_.Id(); }

 private:
  std::shared_ptr<SimulatedTransport::State> state_;
  SimulatedTransport::DeviceId device_;
  std::shared_ptr<InputChannel> channel_;
  InputDriver driver_;  // last: stops before the channel goes
};

}  // namespace platform
