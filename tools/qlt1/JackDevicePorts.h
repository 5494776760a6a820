#pragma once

// The device's ports on JACK, as JACK ports of our own: events from the tool are queued by the
// process callback without locks or allocation, and replies wait in our output until a cycle
// has room for them.

#include <memory>
#include <string>

#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"
#include "midi/platform/jack/ReceivedEvents.h"
#include "tools/qlt1/DevicePorts.h"

namespace qlt1 {

class JackDevicePorts final : public DevicePorts {
 public:
  explicit JackDevicePorts(const std::string& portName);

  std::optional<Message> Next(std::chrono::milliseconds timeout) override;
  void Send(const Message& message) override;
  // About 215 short messages: our output holds what a cycle has no room for, so the burst only
  // sets the device's rate, about 27,000 short messages a second.
  std::size_t BurstBytes() const override { return 4096; }

 private:
  platform::ReceivedEvents fromTool_;  // before the input, which delivers to it
  std::unique_ptr<platform::JackMidiOutput> toTool_;
  std::unique_ptr<platform::JackMidiInput> input_;
};

}  // namespace qlt1
