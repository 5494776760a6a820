#include "tests/reliability/ProcessStats.h"

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace reliability {

// statm gives sizes in pages: total, then resident.
ProcessStats ProcessStats::OfThisProcess() {
  ProcessStats stats;
  std::ifstream statm("/proc/self/statm");
  std::size_t totalPages = 0;
  std::size_t residentPages = 0;
  statm >> totalPages >> residentPages;
  stats.residentBytes = residentPages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++stats.descriptors;
  return stats;
}

void KeepLargeBlocksMapped() {
  constexpr int kMapFrom = 128 * 1024;  // the allocator's own starting threshold
  mallopt(M_MMAP_THRESHOLD, kMapFrom);
}

}  // namespace reliability
