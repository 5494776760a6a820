#pragma once

// What a whole update of the build's table leaves: the blocks the device receives, in order, and
// the program's log.

#include <string>
#include <vector>

#include "firmware/FirmwareImage.h"

namespace testsupport {

// Block 0, then every block the table flags, ascending.
inline std::vector<int> FlaggedBlocks() {
  std::vector<int> blocks;
  for (int block = 0; block < static_cast<int>(firmware::kBlockCount); ++block)
    if (block == 0 || firmware::FirmwareImage().BlockFlags[block] == 1) blocks.push_back(block);
  return blocks;
}

inline std::vector<std::string> SuccessfulUpdateLog() {
  std::vector<std::string> log{">Switch on QLT-1", ">USB Midi Connected", ">Communications Established",
                               ">Programming"};
  for (int block : FlaggedBlocks()) log.push_back(">Block " + std::to_string(block));
  log.push_back(">New Software Successfully Loaded");
  log.push_back(">Finished");
  return log;
}

}  // namespace testsupport
