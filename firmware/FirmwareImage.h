#pragma once

// The firmware table built into the program, and the messages its blocks become.

#include <array>
#include <cstddef>
#include <cstdint>

#include "firmware/TableLayout.h"
#include "midi/MidiOut.h"

namespace firmware {

// The table's format: 171 flags (1, and only 1, means the block is sent), then 171 rows of 3086
// elements, each holding one byte value in its low 8 bits.
struct FirmwareImageTable {
  std::uint32_t BlockFlags[kBlockCount];
  std::uint32_t BlockData[kBlockCount * kBlockLength];
};
static_assert(sizeof(FirmwareImageTable) == kTableBytes);
static_assert(kTableBytes == 2111508);

// The table the program was built with.
const FirmwareImageTable& FirmwareImage();

// The message of block `block`: the low 8 bits of each element of its row, in order.
std::array<BYTE, kBlockLength> BlockMessage(std::uint8_t block);

// Builds the message of `block` and sends it with one SendLongMsg of `output`; the port's
// failures pass through unchanged.
void SendBlock(midi::TMidiOutput& output, std::uint8_t block);

}  // namespace firmware
