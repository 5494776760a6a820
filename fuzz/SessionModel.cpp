#include "fuzz/SessionModel.h"

#include <algorithm>
#include <utility>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace fuzz {

namespace {

using firmware::ConversationMessage;
using firmware::kBlockAckReply;
using firmware::kErrorReply;
using firmware::kReadyReply;
using firmware::kSysexStart;

// A reply counts from its kind byte on, whole or without its end.
bool Matches(const std::vector<BYTE>& bytes, BYTE kind) {
  const auto reply = ConversationMessage(kind);
  return bytes.size() > firmware::kKindIndex && bytes.size() <= reply.size() &&
         std::equal(bytes.begin(), bytes.end(), reply.begin());
}

Action Line(std::string text) { return {Action::Kind::Line, std::move(text), {}}; }

}  // namespace

std::size_t SessionModel::Take(std::span<const TakenEvent> events, std::vector<Action>& expected) {
  for (std::size_t i = 0; i < events.size(); ++i)
    if (!Handle(events[i], expected)) return i + 1;
  return events.size();
}

void SessionModel::Tick(std::vector<Action>& expected) { Send(ConversationMessage(firmware::kProbeRequest), expected); }

bool SessionModel::Handle(const TakenEvent& event, std::vector<Action>& expected) {
  if (event.status != kSysexStart || !Join(event.bytes)) return true;
  if (Matches(message_, kErrorReply)) expected.push_back(Line(">Transmission Problem"));
  if (Matches(message_, kBlockAckReply) && !Acknowledge(expected)) return false;
  if (Matches(message_, kReadyReply) && !StartProgramming(expected)) return false;
  return true;
}

// A piece starting with F0 starts a message; any other continues an open one or is dropped; F7
// anywhere in a piece ends its message.
bool SessionModel::Join(const std::vector<BYTE>& piece) {
  if (piece.empty()) return false;
  if (piece.front() == kSysexStart) {
    message_.clear();
    messageOpen_ = true;
  } else if (!messageOpen_) {
    return false;
  }
  const bool hadKind = message_.size() > firmware::kKindIndex;
  message_.insert(message_.end(), piece.begin(), piece.end());
  messageOpen_ = std::find(piece.begin(), piece.end(), firmware::kSysexEnd) == piece.end();
  return !hadKind && message_.size() > firmware::kKindIndex;
}

bool SessionModel::Acknowledge(std::vector<Action>& expected) {
  expected.push_back(Line(">Block " + std::to_string(currentBlock_)));
  for (unsigned next = currentBlock_ + 1u; next < firmware::kBlockCount; ++next) {
    if (firmware::FirmwareImage().BlockFlags[next] != 1) continue;
    currentBlock_ = static_cast<std::uint8_t>(next);
    return Send(firmware::BlockMessage(currentBlock_), expected);
  }
  if (!Send(ConversationMessage(firmware::kFinishRequest), expected)) return false;
  expected.push_back(Line(">New Software Successfully Loaded"));
  expected.push_back(Line(">Finished"));
  return true;
}

bool SessionModel::StartProgramming(std::vector<Action>& expected) {
  probeTimerOn_ = false;
  expected.push_back(Line(">Communications Established"));
  expected.push_back(Line(">Programming"));
  currentBlock_ = 0;
  return Send(firmware::BlockMessage(0), expected);
}

bool SessionModel::Send(std::span<const BYTE> bytes, std::vector<Action>& expected) {
  const bool fails = std::exchange(failNextSend_, false);
  expected.push_back({fails ? Action::Kind::SendFailed : Action::Kind::Sent, "", {bytes.begin(), bytes.end()}});
  return !fails;
}

}  // namespace fuzz
