#include "fuzz/SessionModel.h"

#include <algorithm>
#include <array>
#include <utility>

#include "firmware/FirmwareImage.h"

namespace fuzz {

namespace {

constexpr BYTE kSysexStatus = 0xF0;
constexpr BYTE kErrorReply = 0x00;
constexpr BYTE kBlockAckReply = 0x01;
constexpr BYTE kReadyReply = 0x05;

std::array<BYTE, 8> Message(BYTE kind) { return {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, kind, 0xF7}; }

bool Matches(const std::vector<BYTE>& bytes, BYTE kind) {
  const std::array<BYTE, 8> reply = Message(kind);
  return bytes.size() >= 7 && bytes.size() <= 8 && std::equal(bytes.begin(), bytes.end(), reply.begin());
}

Action Line(std::string text) { return {Action::Kind::Line, std::move(text), {}}; }

}  // namespace

std::size_t SessionModel::Take(std::span<const TakenEvent> events, std::vector<Action>& expected) {
  for (std::size_t i = 0; i < events.size(); ++i)
    if (!Handle(events[i], expected)) return i + 1;
  return events.size();
}

void SessionModel::Tick(std::vector<Action>& expected) { Send(Message(0x04), expected); }

bool SessionModel::Handle(const TakenEvent& event, std::vector<Action>& expected) {
  if (event.status != kSysexStatus) return true;
  if (Matches(event.bytes, kErrorReply)) expected.push_back(Line(">Transmission Problem"));
  if (Matches(event.bytes, kBlockAckReply) && !Acknowledge(expected)) return false;
  if (Matches(event.bytes, kReadyReply) && !StartProgramming(expected)) return false;
  return true;
}

bool SessionModel::Acknowledge(std::vector<Action>& expected) {
  expected.push_back(Line(">Block " + std::to_string(currentBlock_)));
  for (unsigned next = currentBlock_ + 1u; next < firmware::kBlockCount; ++next) {
    if (firmware::FirmwareImage().BlockFlags[next] != 1) continue;
    currentBlock_ = static_cast<std::uint8_t>(next);
    return Send(firmware::BlockMessage(currentBlock_), expected);
  }
  if (!Send(Message(0x02), expected)) return false;
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
