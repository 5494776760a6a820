#pragma once

// What a hostile device sends besides its replies, so that the tool can be shown to pick its
// replies out of it on real MIDI ports: a flood of short messages before every reply but ReadyReply, and one
// huge System Exclusive message before the first block acknowledgement, in the pieces a MIDI
// system carries such a message in.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/qlt1/Qlt1Model.h"

namespace qlt1 {

struct Hostility {
  int floodPerReply = 0;            // short messages before every reply
  std::uint8_t floodStatus = 0x90;  // 0x90 notes (on and off), 0xF8 timing clock, 0xFE active sensing
  std::size_t giantSysex = 0;       // bytes of the huge message; 0: none
  bool Any() const { return floodPerReply > 0 || giantSysex > 0; }
};

class Misbehaviour {
 public:
  static constexpr std::size_t kGiantPiece = 256;

  explicit Misbehaviour(Hostility hostility) : hostility_(hostility) {}

  // The events that go out before `reply`, in order; each is sent as one event.
  std::vector<Message> Before(const Message& reply);

 private:
  const Hostility hostility_;
  bool giantSent_ = false;
};

}  // namespace qlt1
