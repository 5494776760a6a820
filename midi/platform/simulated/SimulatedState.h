#pragma once

// The virtual devices of one simulated transport and what their connections share. Held in a
// shared_ptr by the transport and by every open connection, so a connection that outlives the
// transport still finds it. The devices are guarded by `mutex`, which callers of the functions
// below hold (except OpenChannel, which takes it).

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "midi/platform/Direction.h"
#include "midi/platform/simulated/InputChannel.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace platform {

struct SimulatedTransport::State {
  struct Device {
    Direction direction = Direction::Input;
    bool present = true;
    bool switchedOff = false;           // gone as a device switched off, its handles dead
    bool heldByAnotherProgram = false;  // opening it is refused
    PortInfo info;
    // Input: the open connection's channel and driver thread.
    std::shared_ptr<InputChannel> channel;
    std::thread::id driverThread;
    // Output.
    bool outputOpen = false;
    bool held = false;
    unsigned sendsHeld = 0;  // long sends waiting while the device is held
    std::vector<SentMessage> sent;
    std::shared_ptr<const std::function<void(const SentMessage&)>> onSent;
  };

  std::mutex mutex;
  // Signalled when a held output is released, a send is cancelled or a device goes.
  std::condition_variable outputChanged;
  // Indexed by DeviceId; a deque, so a Device stays where it is while others are added.
  std::deque<Device> devices;

  DeviceId Add(Direction direction, PortInfo info);
  // Throw std::invalid_argument when `id` names no device (of that direction).
  Device& Get(DeviceId id);
  Device& Get(DeviceId id, Direction direction);
  // The device that has port number `index` now.
  std::optional<DeviceId> Port(UINT index, Direction direction) const;
  UINT Count(Direction direction) const;
  // The device goes: its channel closes and waiting sends wake up.
  void Remove(Device& device);
  // The channel to inject into, or none when the device is not open or is gone.
  std::shared_ptr<InputChannel> OpenChannel(DeviceId input);
};

}  // namespace platform
