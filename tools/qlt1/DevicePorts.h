#pragma once

// The emulated device's two MIDI ports, named like the device's, on one MIDI system: what the
// tool sends arrives as messages in order, and replies go out in order, none of them dropped.

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "tools/qlt1/Qlt1Model.h"

namespace qlt1 {

class DevicePorts {
 public:
  virtual ~DevicePorts() = default;
  // The next message from the tool, once one has come or the time is up.
  virtual std::optional<Message> Next(std::chrono::milliseconds timeout) = 0;
  virtual void Send(const Message& message) = 0;
  // How much a hostile device sends before it pauses (counting each event's bookkeeping in the
  // MIDI system as 16 bytes): no more than the system holds for a client that has not read yet.
  virtual std::size_t BurstBytes() const = 0;
};

// `system`: "jack" or "alsa". Throws std::runtime_error when the system cannot make the ports.
std::unique_ptr<DevicePorts> OpenDevicePorts(const std::string& system, const std::string& portName);

}  // namespace qlt1
