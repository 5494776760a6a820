#pragma once

// The command line of the QLT-1 emulator.

#include <optional>
#include <string>
#include <vector>

#include "tools/qlt1/Misbehaviour.h"
#include "tools/qlt1/Qlt1Model.h"

namespace qlt1 {

struct EmulatorOptions {
  std::string system = "jack";  // "jack" or "alsa"
  std::string portName = firmware::kDevicePortName;
  Qlt1Model::Options model;
  int blockDelayMs = 0;   // the device's flash time per block
  int vanishAfter = -1;   // closes its ports after this block was acknowledged; -1: never
  int appearAfterMs = 0;  // opens its ports only after this delay
  bool exitAfterFinish = false;
  bool reportTiming = false;  // the time from the last ReadyReply to the first FinishRequest
  std::string imagePath;      // where the received image goes at each finish; empty: nowhere
  bool listBlocks = false;    // prints the blocks an update sends instead of opening any port
  Hostility hostility;
};

// The options, or none with `error` saying what is wrong. "--help" gives none and an empty error.
std::optional<EmulatorOptions> ParseEmulatorOptions(const std::vector<std::string>& arguments, std::string& error);

extern const char* const kEmulatorHelp;

}  // namespace qlt1
