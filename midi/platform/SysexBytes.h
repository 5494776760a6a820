#pragma once

// The two status bytes that open and close a System Exclusive message on the wire. Everything
// that frames or splits System Exclusive uses these, the firmware conversation included; this
// header stands on nothing, so the host tools and the emulator reach it without the port layer.

#include <cstdint>

namespace platform {

inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;

}  // namespace platform
