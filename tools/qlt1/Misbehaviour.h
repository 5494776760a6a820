#pragma once

// What a hostile device sends around its replies, so that the tool can be shown to pick its
// replies out of it: a flood of short messages before every reply but ReadyReply, one huge System
// Exclusive message before the first block acknowledgement (in the pieces a MIDI system carries
// such a message in), a message cut short before its end byte, and stray bytes before a reply and
// real-time bytes inside it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/qlt1/Qlt1Model.h"

namespace qlt1 {

struct Hostility {
  int floodPerReply = 0;            // short messages before every reply but ReadyReply
  std::uint8_t floodStatus = 0x90;  // 0x90 notes (on and off), 0xF8 timing clock, 0xFE active sensing
  std::size_t giantSysex = 0;       // bytes of the huge message; 0: none
  bool cutShort = false;            // a System Exclusive message without its end byte before every reply
  bool garbage = false;             // stray bytes before every reply, and real-time bytes inside it
  bool Any() const { return floodPerReply > 0 || giantSysex > 0 || cutShort || garbage; }
};

class Misbehaviour {
 public:
  static constexpr std::size_t kGiantPiece = 256;

  explicit Misbehaviour(Hostility hostility) : hostility_(hostility) {}

  // What goes out for `reply`, in order, each one event: what comes before it, then the reply
  // itself (with garbage, in three pieces with a real-time byte between each two).
  std::vector<Message> Around(const Message& reply);

 private:
  void Before(const Message& reply, std::vector<Message>& events);
  void Reply(const Message& reply, std::vector<Message>& events) const;

  const Hostility hostility_;
  bool giantSent_ = false;
};

}  // namespace qlt1
