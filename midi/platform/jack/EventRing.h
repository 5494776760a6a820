#pragma once

// Whole MIDI events of any length in a byte ring, each stored as its length and then its bytes:
// one thread puts, another takes, and neither waits for the other or allocates. The queue of an
// output port and the queue of what an input port received both keep their events this way.

#include <cstddef>
#include <optional>
#include <span>

#include "midi/platform/MmSystem.h"
#include "midi/platform/SpscByteRing.h"

namespace platform {

class EventRing {
 public:
  // `capacity`: a power of two, the bytes of the events and their lengths together.
  explicit EventRing(std::size_t capacity) : bytes_(capacity) {}

  // Producer. False when the event does not fit now.
  bool TryPush(std::span<const BYTE> event) noexcept;

  // Consumer. The length of the oldest event, if there is one.
  std::optional<std::size_t> NextLength() const noexcept;
  // Copies the oldest event into `out`, which holds exactly NextLength() bytes.
  void CopyNext(std::span<BYTE> out) const noexcept;
  void Pop() noexcept;

 private:
  SpscByteRing bytes_;
};

}  // namespace platform
