#pragma once

// What tests and the fuzz harness look at inside a port, kept off the ports' public surface: the
// hidden message window, the callback instance and the input port's ring.

#include "midi/MidiIO.h"
#include "midi/MidiIn.h"

namespace midi {

struct PortTestAccess {
  static framework::HWND Window(const TMidiIO& port) { return port.window_; }
  static const CallbackInstance* Instance(const TMidiIO& port) { return port.instance_; }
  static const CircularEventBuffer* EventBuffer(const TMidiInput& port) { return port.eventBuffer_; }
};

}  // namespace midi
