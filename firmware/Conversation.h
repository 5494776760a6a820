#pragma once

// The firmware conversation between the tool and the QLT-1, as both ends and every test see it:
// the device's port name, the frame every message shares and the kind byte that tells them apart.
// The blocks' own layout is in firmware/TableLayout.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "midi/platform/SysexBytes.h"

namespace firmware {

// Part of the product name the device's input and output ports carry.
inline constexpr const char* kDevicePortName = "QZ Korvalith port 2";

using platform::kSysexEnd;
using platform::kSysexStart;

// Every message opens with this frame; the kind byte follows it.
inline constexpr std::array<std::uint8_t, 6> kFrameStart{kSysexStart, 0x00, 0x00, 0x00, 0x00, 0x01};
inline constexpr std::size_t kKindIndex = kFrameStart.size();
// The length of every message but a block: the frame, the kind and the end.
inline constexpr std::size_t kMessageLength = kKindIndex + 2;

// The kinds: the device's replies, and what the tool sends.
inline constexpr std::uint8_t kErrorReply = 0x00;
inline constexpr std::uint8_t kBlockAckReply = 0x01;
inline constexpr std::uint8_t kFinishRequest = 0x02;
inline constexpr std::uint8_t kBlock = 0x03;
inline constexpr std::uint8_t kProbeRequest = 0x04;
inline constexpr std::uint8_t kReadyReply = 0x05;

// The whole message of `kind`, for every kind but a block.
constexpr std::array<std::uint8_t, kMessageLength> ConversationMessage(std::uint8_t kind) {
  std::array<std::uint8_t, kMessageLength> message{};
  for (std::size_t i = 0; i < kFrameStart.size(); ++i) message[i] = kFrameStart[i];
  message[kKindIndex] = kind;
  message[kMessageLength - 1] = kSysexEnd;
  return message;
}

// The same, for whoever passes messages around as byte vectors.
inline std::vector<std::uint8_t> ConversationBytes(std::uint8_t kind) {
  const auto message = ConversationMessage(kind);
  return {message.begin(), message.end()};
}

}  // namespace firmware
