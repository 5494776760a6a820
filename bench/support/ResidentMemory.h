#pragma once

// This process's resident memory, in bytes, as the kernel counts it (/proc/self/statm).

#include <unistd.h>

#include <fstream>

namespace bench {

inline double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  double size = 0;
  double resident = 0;
  statm >> size >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}

}  // namespace bench
