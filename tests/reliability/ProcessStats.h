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

// The device model takes a fresh 2 MiB image at every restart. The allocator would move its
// threshold for mapping large blocks up past that after the first one is freed, and then serve
// them from the heap, which grows in steps that say nothing about the tool; this keeps them
// mapped, and given back, every time.
void KeepLargeBlocksMapped();

}  // namespace reliability
