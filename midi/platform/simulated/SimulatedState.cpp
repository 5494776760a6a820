#include "midi/platform/simulated/SimulatedState.h"

#include <stdexcept>

namespace platform {

SimulatedTransport::DeviceId SimulatedTransport::State::Add(Direction direction, PortInfo info) {
  Device& device = devices.emplace_back();
  device.direction = direction;
  device.info = std::move(info);
  return static_cast<DeviceId>(devices.size() - 1);
}

SimulatedTransport::State::Device& SimulatedTransport::State::Get(DeviceId id) {
  if (id >= devices.size()) throw std::invalid_argument("no simulated device has this id");
  return devices[id];
}

SimulatedTransport::State::Device& SimulatedTransport::State::Get(DeviceId id, Direction direction) {
  Device& device = Get(id);
  if (device.direction != direction) throw std::invalid_argument("the simulated device goes the other way");
  return device;
}

std::optional<SimulatedTransport::DeviceId> SimulatedTransport::State::Port(UINT index, Direction direction) const {
  UINT number = 0;
  for (DeviceId id = 0; id < devices.size(); ++id) {
    if (devices[id].direction != direction || !devices[id].present) continue;
    if (number++ == index) return id;
  }
  return std::nullopt;
}

UINT SimulatedTransport::State::Count(Direction direction) const {
  UINT count = 0;
  for (const Device& device : devices) count += device.direction == direction && device.present;
  return count;
}

void SimulatedTransport::State::Remove(Device& device) {
  device.present = false;
  if (device.channel) device.channel->Close();
  outputChanged.notify_all();
}

std::shared_ptr<InputChannel> SimulatedTransport::State::OpenChannel(DeviceId input) {
  std::lock_guard lock(mutex);
  const Device& device = Get(input, Direction::Input);
  return device.present ? device.channel : nullptr;
}

}  // namespace platform
