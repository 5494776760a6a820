#include "midi/SharedMemory.h"

namespace midi {

namespace {
constexpr UINT kSharedBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
}  // namespace

SharedBlock SharedLockedAlloc(std::uint16_t byteCount) {
  HGLOBAL handle = GlobalAlloc(kSharedBlockFlags, byteCount);
  if (handle == nullptr) return {};
  void* address = GlobalLock(handle);
  if (address == nullptr) {
    GlobalFree(handle);
    return {};
  }
  return {address, handle};
}

void SharedLockedFree(HGLOBAL handle, void* /*address*/) {
  if (handle == nullptr) return;
  GlobalUnlock(handle);
  GlobalFree(handle);
}

}  // namespace midi
