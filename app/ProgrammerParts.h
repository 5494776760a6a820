#pragma once

// What the programmer shares with its parts, the programming session and device discovery: where
// the log goes and the two port slots. Each part gets these in a small context of its own, beside
// its class, so that it is read, built and tested without the programmer. Window thread only.

#include <functional>
#include <string>

#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

namespace app {

// Where each log line goes, given without a line end.
using LogLine = std::function<void(const std::string& line)>;

// The port objects in use, or none: discovery fills them anew at every tick, the session sends
// through the output, and the programmer releases what they hold at its end. Setting a slot does
// not release what it held.
struct PortSlots {
  midi::TMidiInput* input = nullptr;
  midi::TMidiOutput* output = nullptr;
};

}  // namespace app
