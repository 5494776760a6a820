#include "midi/platform/simulated/SimulatedInputPort.h"

namespace platform {

SimulatedInputPort::SimulatedInputPort(std::shared_ptr<SimulatedTransport::State> state,
                                       SimulatedTransport::DeviceId device, InputSink& sink, std::size_t fifoBytes)
    : state_(std::move(state)),
      device_(device),
      channel_(std::make_shared<InputChannel>(fifoBytes)),
      driver_(*channel_, sink) {}

SimulatedInputPort::~SimulatedInputPort() {
  // Closed before it is detached, so once the device shows no open port nothing more is
  // delivered. An injection still waiting for room gives up; the driver thread stops with driver_.
  channel_->Close();
  std::lock_guard lock(state_->mutex);
  SimulatedTransport::State::Device& device = state_->devices[device_];
  if (device.channel == channel_) {
    device.channel.reset();
    device.driverThread = {};
  }
}

bool SimulatedInputPort::DeviceSwitchedOff() const {
  std::lock_guard lock(state_->mutex);
  return state_->devices[device_].switchedOff;
}

}  // namespace platform
