#pragma once

// What a whole update of the build's table leaves: the blocks the device receives, in order, and
// the program's log (whose home is tests/support/successful-update.txt, which the shell tests
// read too).

#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "tests/support/SuccessfulUpdateLines.h"

namespace testsupport {

// Block 0, then every block the table flags, ascending.
inline std::vector<int> FlaggedBlocks() {
  std::vector<int> blocks;
  for (int block = 0; block < static_cast<int>(firmware::kBlockCount); ++block)
    if (block == 0 || firmware::FirmwareImage().BlockFlags[block] == 1) blocks.push_back(block);
  return blocks;
}

// The lines of tests/support/successful-update.txt, its ">Block N" made one line per block sent.
inline std::vector<std::string> SuccessfulUpdateLog() {
  constexpr std::string_view kEachBlock = ">Block N";
  std::vector<std::string> log;
  for (const std::string_view line : kSuccessfulUpdateLines) {
    if (line != kEachBlock) {
      log.emplace_back(line);
      continue;
    }
    const std::string_view prefix = line.substr(0, line.size() - 1);
    for (int block : FlaggedBlocks()) log.push_back(std::string(prefix) + std::to_string(block));
  }
  return log;
}

}  // namespace testsupport
