#pragma once

// The firmware table's layout, shared by the program and by the host tools that make and check
// the table file: kBlockCount little-endian 32-bit flags, then kBlockCount rows of kBlockLength
// little-endian 32-bit elements, each holding one byte value in its low 8 bits. A block of another
// size, or another count of blocks, is a change here and nowhere else: the tools, the tests and
// the emulator take theirs from these.

#include <array>
#include <cstddef>
#include <cstdint>

#include "firmware/Conversation.h"

namespace firmware {

inline constexpr std::size_t kBlockCount = 171;
inline constexpr std::size_t kLastBlock = kBlockCount - 1;
inline constexpr std::size_t kBlockLength = 3086;
inline constexpr std::size_t kElementBytes = 4;
inline constexpr std::size_t kTableBytes = kElementBytes * kBlockCount * (1 + kBlockLength);

// Every sent block opens with the conversation's frame and the kind kBlock, then carries its own
// number in two 4-bit halves.
inline constexpr std::array<std::uint8_t, kKindIndex + 1> kBlockFrameStart{
    kFrameStart[0], kFrameStart[1], kFrameStart[2], kFrameStart[3], kFrameStart[4], kFrameStart[5], kBlock};
inline constexpr std::size_t kBlockNumberHighIndex = kKindIndex + 1;
inline constexpr std::size_t kBlockNumberLowIndex = kKindIndex + 2;
inline constexpr std::size_t kPayloadFirstIndex = kKindIndex + 3;
inline constexpr std::size_t kBlockEndIndex = kBlockLength - 1;
inline constexpr std::uint8_t kBlockEnd = kSysexEnd;
inline constexpr std::uint8_t kPayloadMax = 0x7F;

// The number a block carries, from its two 4-bit halves.
constexpr unsigned BlockNumberOf(std::uint8_t high, std::uint8_t low) { return high * 16u + low; }

}  // namespace firmware
