#pragma once

// The firmware table built into the program, the messages its blocks become, and the order in
// which an update sends them. Nothing here knows MIDI ports: the emulator uses it as the tool does.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "firmware/TableLayout.h"

namespace firmware {

// The table file's format (TableLayout.h); a flag of 1, and only 1, means the block is sent.
struct FirmwareImageTable {
  std::uint32_t BlockFlags[kBlockCount];
  std::uint32_t BlockData[kBlockCount * kBlockLength];
};
static_assert(sizeof(FirmwareImageTable) == kTableBytes);

// The table the program was built with.
const FirmwareImageTable& FirmwareImage();

// True when that table is the development table the build generates: a deterministic filler in
// the device's frame for tests and the demo, which leaves a real QLT-1 without working firmware.
bool EmbedsDevelopmentTable();

// The message of block `block`: the low 8 bits of each element of its row, in order.
std::array<std::uint8_t, kBlockLength> BlockMessage(std::uint8_t block);

// The first block after `after` that `table` flags, or -1 when there is none: the block an
// acknowledgement of block `after` asks for.
int NextFlaggedBlock(const FirmwareImageTable& table, int after);

// The blocks a whole update sends, in order: block 0, whatever its flag, then every flagged one.
std::vector<int> BlocksOfAnUpdate(const FirmwareImageTable& table);

}  // namespace firmware
