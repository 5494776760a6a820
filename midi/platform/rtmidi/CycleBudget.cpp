#include "midi/platform/rtmidi/CycleBudget.h"

namespace platform {

bool CycleBudget::Fits(std::size_t bytes, std::uint64_t cycle) {
  while (!handed_.empty() && handed_.front().cycle + kCyclesToDrain <= cycle) {
    pending_ -= handed_.front().bytes;
    handed_.pop_front();
  }
  return pending_ + bytes <= budget_;
}

void CycleBudget::Handed(std::size_t bytes, std::uint64_t cycle) {
  handed_.push_back({cycle, bytes});
  pending_ += bytes;
}

}  // namespace platform
