#include "midi/platform/GlobalMemory.h"

#include <atomic>
#include <cstdlib>

#include "midi/platform/EmulationFaults.h"

struct GlobalBlock {
  std::size_t bytes;
  unsigned locks;
  void* data;
};

namespace {
std::atomic<std::size_t> blocksInUse{0};
}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (platform::CheckFault(platform::PlatformCall::GlobalAlloc) != MMSYSERR_NOERROR) return nullptr;
  void* data = nullptr;
  if (bytes > 0) {
    data = (flags & GMEM_ZEROINIT) != 0 ? std::calloc(1, bytes) : std::malloc(bytes);
    if (data == nullptr) return nullptr;
  }
  blocksInUse.fetch_add(1, std::memory_order_relaxed);
  return new GlobalBlock{bytes, 0, data};
}

void* GlobalLock(HGLOBAL block) {
  if (block == nullptr) return nullptr;
  if (platform::CheckFault(platform::PlatformCall::GlobalLock) != MMSYSERR_NOERROR) return nullptr;
  // A block of no bytes has no address, as a discarded block on the platform.
  if (block->data == nullptr) return nullptr;
  ++block->locks;
  return block->data;
}

bool GlobalUnlock(HGLOBAL block) {
  if (block == nullptr || block->locks == 0) return false;
  --block->locks;
  return block->locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block == nullptr) return nullptr;
  std::free(block->data);
  delete block;
  blocksInUse.fetch_sub(1, std::memory_order_relaxed);
  return nullptr;
}

std::size_t GlobalBlocksInUse() { return blocksInUse.load(std::memory_order_relaxed); }
