#pragma once

// A block of the built-in table handed to an output port.

#include <cstdint>

#include "midi/MidiOut.h"

namespace firmware {

// Builds the message of `block` and sends it with one SendLongMsg of `output`; the port's
// failures pass through unchanged.
void SendBlock(midi::TMidiOutput& output, std::uint8_t block);

}  // namespace firmware
