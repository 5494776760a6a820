#pragma once

// Memory that the driver callback may touch: zero-filled blocks at fixed addresses, obtained and
// released only in the window thread.

#include <cstdint>

#include "midi/platform/GlobalMemory.h"
#include "midi/platform/MmSystem.h"

namespace midi {

// A zero-filled block at one fixed address until it is released.
struct SharedBlock {
  void* Address = nullptr;
  HGLOBAL Handle = nullptr;
};

// The only way the port layer obtains memory that the driver callback may touch. No address on
// failure. Window thread.
SharedBlock SharedLockedAlloc(std::uint16_t byteCount);
// Does nothing for an empty handle.
void SharedLockedFree(HGLOBAL handle, void* address = nullptr);

}  // namespace midi
