#pragma once

// How many bytes a short message takes on the wire, by its status byte.

#include <array>
#include <cstddef>
#include <span>

#include "midi/platform/MmSystem.h"

namespace platform {

// The bytes of a message that starts with `status`; 0 when it is not a whole message by itself
// (a data byte, as in running status, or System Exclusive).
std::size_t ShortMessageLength(BYTE status);

// The bytes of a short message packed as the platform passes it (status in the lowest byte),
// laid out in `storage`; empty when it is not a whole message by itself.
std::span<const BYTE> ShortMessageBytes(DWORD message, std::array<BYTE, 3>& storage);

}  // namespace platform
