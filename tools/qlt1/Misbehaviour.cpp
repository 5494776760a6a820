#include "tools/qlt1/Misbehaviour.h"

#include <algorithm>

#include "firmware/Conversation.h"

namespace qlt1 {

std::vector<Message> Misbehaviour::Before(const Message& reply) {
  std::vector<Message> events;
  // A ReadyReply goes out at once: delayed past the tool's next probe by a flood, it would be
  // followed by a second one, the conversation's own race rather than the flood's.
  if (reply == firmware::ConversationBytes(firmware::kReadyReply)) return events;
  for (int i = 0; i < hostility_.floodPerReply; ++i) {
    if (hostility_.floodStatus == 0x90)
      events.push_back({static_cast<std::uint8_t>(i % 2 == 0 ? 0x90 : 0x80), 0x3C, 0x40});
    else
      events.push_back({hostility_.floodStatus});
  }
  if (!giantSent_ && hostility_.giantSysex >= 2 && reply == firmware::ConversationBytes(firmware::kBlockAckReply)) {
    Message giant(hostility_.giantSysex, 0x55);
    giant.front() = 0xF0;
    giant.back() = 0xF7;
    for (std::size_t at = 0; at < giant.size(); at += kGiantPiece) {
      const auto end = giant.begin() + static_cast<std::ptrdiff_t>(std::min(at + kGiantPiece, giant.size()));
      events.emplace_back(giant.begin() + static_cast<std::ptrdiff_t>(at), end);
    }
    giantSent_ = true;
  }
  return events;
}

}  // namespace qlt1
