#include "midi/platform/WireSplitter.h"

#include "midi/platform/SysexBytes.h"

namespace platform {

namespace {

constexpr BYTE kFirstStatus = 0x80;
constexpr BYTE kFirstRealTime = 0xF8;
constexpr std::size_t kLongestShortMessage = 3;

DWORD Pack(std::span<const BYTE> bytes) {
  DWORD message = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) message |= DWORD{bytes[i]} << (8 * i);
  return message;
}

}  // namespace

void WireSplitter::Feed(std::span<const BYTE> bytes) noexcept {
  while (!bytes.empty()) {
    if (inSysex_) {
      bytes = FeedSysex(bytes, 0);
    } else if (bytes.front() == kSysexStart) {
      inSysex_ = true;
      bytes = FeedSysex(bytes, 1);
    } else {
      bytes = FeedShort(bytes);
    }
  }
}

// A status byte and the data bytes after it; longer runs are not a message and are dropped.
std::span<const BYTE> WireSplitter::FeedShort(std::span<const BYTE> bytes) noexcept {
  std::size_t length = 1;
  while (length < bytes.size() && bytes[length] < kFirstStatus) ++length;
  if (length <= kLongestShortMessage) sink_.ReceiveShort(Pack(bytes.first(length)));
  return bytes.subspan(length);
}

// `from`: where the message's own bytes may end, past its start byte.
std::span<const BYTE> WireSplitter::FeedSysex(std::span<const BYTE> bytes, std::size_t from) noexcept {
  for (std::size_t i = from; i < bytes.size(); ++i) {
    if (bytes[i] == kSysexEnd) {
      inSysex_ = false;
      sink_.ReceiveSysex(bytes.first(i + 1), true);
      return bytes.subspan(i + 1);
    }
    if (bytes[i] >= kFirstRealTime) {
      if (i > 0) sink_.ReceiveSysex(bytes.first(i), false);
      sink_.ReceiveShort(bytes[i]);
      return bytes.subspan(i + 1);
    }
    if (bytes[i] >= kFirstStatus) {
      inSysex_ = false;
      sink_.ReceiveSysex(bytes.first(i), true);
      return bytes.subspan(i);
    }
  }
  sink_.ReceiveSysex(bytes, false);
  return {};
}

}  // namespace platform
