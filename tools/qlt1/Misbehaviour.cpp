#include "tools/qlt1/Misbehaviour.h"

#include <algorithm>

#include "firmware/Conversation.h"

namespace qlt1 {

namespace {

// Messages in the conversation's frame that are no message of it.
Message BlockWithoutBody() { return firmware::ConversationBytes(firmware::kBlock); }

Message AcknowledgementWithAStrayByte() {
  Message bytes = firmware::ConversationBytes(firmware::kBlockAckReply);
  bytes.insert(bytes.end() - 1, 0x00);
  return bytes;
}

}  // namespace

std::vector<Message> Misbehaviour::Around(const Message& reply) {
  std::vector<Message> events;
  Before(reply, events);
  Reply(reply, events);
  return events;
}

void Misbehaviour::Before(const Message& reply, std::vector<Message>& events) {
  // A ReadyReply is not held up by a flood: delayed past the tool's next probe, it would be
  // followed by a second one, the conversation's own race rather than the flood's.
  if (reply != firmware::ConversationBytes(firmware::kReadyReply)) {
    for (int i = 0; i < hostility_.floodPerReply; ++i) {
      if (hostility_.floodStatus == 0x90)
        events.push_back({static_cast<std::uint8_t>(i % 2 == 0 ? 0x90 : 0x80), 0x3C, 0x40});
      else
        events.push_back({hostility_.floodStatus});
    }
  }
  if (hostility_.cutShort) events.push_back({0xF0, 0x7D, 0x01, 0x02, 0x03});
  if (hostility_.garbage) {
    for (Message stray :
         {Message{0xF7}, Message{0x12, 0x34}, Message{0xF4}, Message{0xF5}, Message{0xF9}, Message{0xFD},
          Message{0xF0, 0x7D, 0x00, 0xF7}, BlockWithoutBody(), AcknowledgementWithAStrayByte()})
      events.push_back(std::move(stray));
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
}

// As a device that keeps its clock running while it answers.
void Misbehaviour::Reply(const Message& reply, std::vector<Message>& events) const {
  if (!hostility_.garbage) {
    events.push_back(reply);
    return;
  }
  events.emplace_back(reply.begin(), reply.begin() + 3);
  events.push_back({0xF8});
  events.emplace_back(reply.begin() + 3, reply.begin() + 6);
  events.push_back({0xFE});
  events.emplace_back(reply.begin() + 6, reply.end());
}

}  // namespace qlt1
