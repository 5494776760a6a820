#pragma once

// What the fuzzed device sent, in order, and the check that every event the input port gives is
// part of it: a short message as it was sent, or the bytes of one System Exclusive buffer cut from
// a message at a multiple of the buffer size, each later than the one before. Events may be
// missing (filtered, dropped on overflow, lost with no buffer lent) but never changed, invented or
// reordered.

#include <cstddef>
#include <vector>

#include "fuzz/SessionModel.h"

namespace fuzz {

class InjectionRecord {
 public:
  explicit InjectionRecord(std::size_t bufferSize) : bufferSize_(bufferSize) {}

  void AddShort(DWORD message) { sent_.push_back({false, message, {}}); }
  void AddSysex(std::vector<BYTE> bytes) { sent_.push_back({true, 0, std::move(bytes)}); }

  // True when `event` is the next part of what was sent; moves past it.
  bool Explains(const TakenEvent& event);

 private:
  struct Sent {
    bool isSysex;
    DWORD message;
    std::vector<BYTE> bytes;
  };
  bool IsPartOf(const TakenEvent& event, const Sent& sent, std::size_t offset) const;

  std::size_t bufferSize_;
  std::vector<Sent> sent_;
  std::size_t next_ = 0;    // the first message not wholly behind the cursor
  std::size_t offset_ = 0;  // bytes of it already given (0: none)
};

}  // namespace fuzz
