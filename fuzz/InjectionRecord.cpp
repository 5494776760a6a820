#include "fuzz/InjectionRecord.h"

#include <algorithm>

namespace fuzz {

namespace {
constexpr DWORD kShortMessageBits = 0xFFFFFF;
}  // namespace

bool InjectionRecord::Explains(const TakenEvent& event) {
  for (std::size_t index = next_; index < sent_.size(); ++index) {
    const Sent& sent = sent_[index];
    if (sent.isSysex != event.isSysex) continue;
    if (!sent.isSysex) {
      if (index == next_ && offset_ > 0) continue;
      if ((sent.message & kShortMessageBits) != (event.shortMessage & kShortMessageBits)) continue;
      next_ = index + 1;
      offset_ = 0;
      return true;
    }
    const std::size_t from = index == next_ ? (offset_ + bufferSize_ - 1) / bufferSize_ * bufferSize_ : 0;
    for (std::size_t offset = from; offset < sent.bytes.size(); offset += bufferSize_) {
      if (!IsPartOf(event, sent, offset)) continue;
      next_ = index;
      offset_ = offset + event.bytes.size();
      return true;
    }
  }
  return false;
}

bool InjectionRecord::IsPartOf(const TakenEvent& event, const Sent& sent, std::size_t offset) const {
  if (offset % bufferSize_ != 0 || event.bytes.empty() || event.bytes.size() > bufferSize_) return false;
  if (event.bytes.size() > sent.bytes.size() - offset) return false;
  return std::equal(event.bytes.begin(), event.bytes.end(), sent.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace fuzz
