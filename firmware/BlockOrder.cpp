// Which block comes next: the session, the emulator and the tests all follow the table's flags.
#include "firmware/FirmwareImage.h"

namespace firmware {

int NextFlaggedBlock(const FirmwareImageTable& table, int after) {
  for (int next = after + 1; next < static_cast<int>(kBlockCount); ++next)
    if (table.BlockFlags[next] == 1) return next;
  return -1;
}

std::vector<int> BlocksOfAnUpdate(const FirmwareImageTable& table) {
  std::vector<int> blocks;
  for (int block = 0; block >= 0; block = NextFlaggedBlock(table, block)) blocks.push_back(block);
  return blocks;
}

}  // namespace firmware
