#include "midi/platform/rtmidi/InputDelivery.h"

#include <span>

#include "midi/platform/Transport.h"

namespace platform {

namespace {

constexpr BYTE kSysexStart = 0xF0;
constexpr std::size_t kLongestShortMessage = 3;

DWORD Pack(std::span<const BYTE> bytes) {
  DWORD message = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) message |= DWORD{bytes[i]} << (8 * i);
  return message;
}

}  // namespace

// RtMidi gives whole messages: it joins the parts of a System Exclusive message itself.
void DeliverToSink(double, std::vector<unsigned char>* message, void* sink) {
  auto& target = *static_cast<InputSink*>(sink);
  const std::span<const BYTE> bytes(message->data(), message->size());
  if (bytes.empty()) return;
  if (bytes.front() == kSysexStart) {
    target.ReceiveSysex(bytes, true);
  } else if (bytes.size() <= kLongestShortMessage) {
    target.ReceiveShort(Pack(bytes));
  }
}

}  // namespace platform
