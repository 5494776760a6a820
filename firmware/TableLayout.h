#pragma once

// The firmware table's layout, shared by the program and by the host tools that make and check
// the table file: 171 little-endian 32-bit flags, then 171 rows of 3086 little-endian 32-bit
// elements, each holding one byte value in its low 8 bits.

#include <array>
#include <cstddef>
#include <cstdint>

namespace firmware {

inline constexpr std::size_t kBlockCount = 171;
inline constexpr std::size_t kBlockLength = 3086;
inline constexpr std::size_t kElementBytes = 4;
inline constexpr std::size_t kTableBytes = kElementBytes * kBlockCount * (1 + kBlockLength);

// Every sent block opens like the session's own messages, with kind 0x03, then carries its own
// number in two 4-bit halves.
inline constexpr std::array<std::uint8_t, 7> kBlockFrameStart{0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x03};
inline constexpr std::size_t kBlockNumberHighIndex = 7;
inline constexpr std::size_t kBlockNumberLowIndex = 8;
inline constexpr std::size_t kPayloadFirstIndex = 9;
inline constexpr std::size_t kBlockEndIndex = kBlockLength - 1;
inline constexpr std::uint8_t kBlockEnd = 0xF7;
inline constexpr std::uint8_t kPayloadMax = 0x7F;

}  // namespace firmware
