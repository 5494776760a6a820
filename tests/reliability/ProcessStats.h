#pragma once

// What a process holds of the machine, read from /proc: resident memory and open descriptors.

#include <sys/types.h>

#include <cstddef>

namespace reliability {

struct ProcessStats {
  std::size_t residentBytes = 0;
  std::size_t descriptors = 0;

  // Of the calling process.
  static ProcessStats OfThisProcess();
};

}  // namespace reliability
