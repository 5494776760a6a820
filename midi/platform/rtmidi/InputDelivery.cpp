#include "midi/platform/rtmidi/InputDelivery.h"

#include <span>

#include "midi/platform/Transport.h"

namespace platform {

namespace {

constexpr BYTE kSysexStart = 0xF0;
constexpr BYTE kSysexEnd = 0xF7;
constexpr BYTE kFirstStatus = 0x80;
constexpr BYTE kFirstRealTime = 0xF8;
constexpr std::size_t kLongestShortMessage = 3;

DWORD Pack(std::span<const BYTE> bytes) {
  DWORD message = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) message |= DWORD{bytes[i]} << (8 * i);
  return message;
}

// A status byte and the data bytes after it; longer runs are not a message and are dropped.
std::span<const BYTE> DeliverShort(std::span<const BYTE> bytes, InputSink& target) {
  std::size_t length = 1;
  while (length < bytes.size() && bytes[length] < kFirstStatus) ++length;
  if (length <= kLongestShortMessage) target.ReceiveShort(Pack(bytes.first(length)));
  return bytes.subspan(length);
}

// A real-time byte inside the message goes out on its own, ahead of the message, as the platform
// delivers it; any other status byte ends the message there, without its end byte.
std::span<const BYTE> DeliverSysex(std::span<const BYTE> bytes, InputSink& target) {
  std::size_t start = 0;
  for (std::size_t i = 1; i < bytes.size(); ++i) {
    if (bytes[i] == kSysexEnd) {
      target.ReceiveSysex(bytes.subspan(start, i + 1 - start), true);
      return bytes.subspan(i + 1);
    }
    if (bytes[i] >= kFirstRealTime) {
      target.ReceiveSysex(bytes.subspan(start, i - start), false);
      target.ReceiveShort(bytes[i]);
      start = i + 1;
    } else if (bytes[i] >= kFirstStatus) {
      target.ReceiveSysex(bytes.subspan(start, i - start), true);
      return bytes.subspan(i);
    }
  }
  target.ReceiveSysex(bytes.subspan(start), true);
  return {};
}

}  // namespace

// RtMidi joins the parts of a System Exclusive message itself, but only an end byte ends its
// joining: a message cut short, with everything after it up to the next end byte, and real-time
// bytes sent in the middle, all come as one. They are taken apart here as they were on the wire.
void DeliverToSink(double, std::vector<unsigned char>* message, void* sink) {
  auto& target = *static_cast<InputSink*>(sink);
  std::span<const BYTE> bytes(message->data(), message->size());
  while (!bytes.empty()) bytes = bytes.front() == kSysexStart ? DeliverSysex(bytes, target) : DeliverShort(bytes, target);
}

}  // namespace platform
