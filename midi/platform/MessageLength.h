#pragma once

// How many bytes a short message takes on the wire, by its status byte.

#include <cstddef>

#include "midi/platform/MmSystem.h"

namespace platform {

// The bytes of a message that starts with `status`; 0 when it is not a whole message by itself
// (a data byte, as in running status, or System Exclusive).
std::size_t ShortMessageLength(BYTE status);

}  // namespace platform
