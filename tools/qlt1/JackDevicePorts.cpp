#include "tools/qlt1/JackDevicePorts.h"

#include <stdexcept>

namespace qlt1 {

// The clients are named as the device's driver names them, and each gets one port named like
// the device's.
JackDevicePorts::JackDevicePorts(const std::string& portName)
    : toTool_(platform::JackMidiOutput::Open("QLT-1", portName)),
      input_(platform::JackMidiInput::Open("QLT-1 in", portName, fromTool_)) {
  if (toTool_ == nullptr || input_ == nullptr) throw std::runtime_error("no JACK server answers");
}

std::optional<Message> JackDevicePorts::Next(std::chrono::milliseconds timeout) { return fromTool_.Take(timeout); }

void JackDevicePorts::Send(const Message& message) {
  if (!toTool_->Queue(message)) throw std::runtime_error("the JACK server went away");
}

}  // namespace qlt1
