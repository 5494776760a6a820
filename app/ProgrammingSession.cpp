#include "app/ProgrammingSession.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "firmware/FirmwareImage.h"

namespace app {

namespace {

constexpr std::uint8_t kSysexStatus = 0xF0;
constexpr std::size_t kKindIndex = 6;
constexpr std::uint8_t kLastBlock = 170;

// Every message of the conversation shares this frame; only the kind byte differs.
constexpr std::array<std::uint8_t, ProgrammingSession::kReplyLength> Message(std::uint8_t kind) {
  return {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, kind, 0xF7};
}

constexpr auto kProbeRequest = Message(0x04);
constexpr auto kFinishRequest = Message(0x02);
constexpr std::uint8_t kErrorReplyKind = 0x00;
constexpr std::uint8_t kBlockAckReplyKind = 0x01;
constexpr std::uint8_t kReadyReplyKind = 0x05;

}  // namespace

ProgrammingSession::ProgrammingSession(ProgrammerWindow& window) : window_(window) {}

void ProgrammingSession::FillExpectedReplies() {
  const std::uint8_t kinds[] = {kErrorReplyKind, kBlockAckReplyKind, kReadyReplyKind};
  for (std::size_t reply = 0; reply < expectedReplies_.size(); ++reply) {
    const auto bytes = Message(kinds[reply]);
    std::copy(bytes.begin(), bytes.end(), expectedReplies_[reply].begin());
  }
}

bool ProgrammingSession::MatchesReply(const std::uint8_t* received, std::size_t count,
                                      const std::array<std::uint32_t, kReplyLength>& expected) {
  if (count <= kKindIndex || count > kReplyLength) return false;
  for (std::size_t k = 0; k < count; ++k)
    if (received[k] != expected[k]) return false;
  return true;
}

void ProgrammingSession::ProgramTimerTimer() { Output().SendLongMsg(kProbeRequest.data(), kProbeRequest.size()); }

void ProgrammingSession::MidiInput1MidiInput(midi::TMidiInput& port) {
  while (port.PendingEventCount() > 0) {
    const std::unique_ptr<midi::TMyMidiEvent> event = port.TakeEvent();
    if (event == nullptr) return;
    if (event->StatusByte == kSysexStatus) HandleSysex(*event);
  }
}

// Each reply is tested on the same bytes, in this order, and its action runs before the next
// test; a failed send ends the handling of this message.
void ProgrammingSession::HandleSysex(const midi::TMyMidiEvent& event) {
  receivedCount_ = event.SysexByteCount;
  if (event.SysexBytes != nullptr)
    std::memcpy(receiveBuffer_.data(), event.SysexBytes.get(), std::min(receivedCount_, receiveBuffer_.size()));
  const auto matches = [this](Reply reply) {
    return MatchesReply(receiveBuffer_.data(), receivedCount_, expectedReplies_[static_cast<std::size_t>(reply)]);
  };
  if (matches(Reply::Error)) window_.AppendLog(">Transmission Problem");
  if (matches(Reply::BlockAck)) AcknowledgeBlock();
  if (matches(Reply::Ready)) StartProgramming();
}

void ProgrammingSession::AcknowledgeBlock() {
  window_.AppendLog(">Block " + std::to_string(currentBlock_));
  const auto& flags = firmware::FirmwareImage().BlockFlags;
  for (unsigned next = currentBlock_ + 1u; next <= kLastBlock; ++next) {
    if (flags[next] == 1) {
      currentBlock_ = static_cast<std::uint8_t>(next);
      firmware::SendBlock(Output(), currentBlock_);
      return;
    }
  }
  SendFinish();
  window_.AppendLog(">New Software Successfully Loaded");
  window_.AppendLog(">Finished");
}

void ProgrammingSession::StartProgramming() {
  window_.ProgramTimer().SetEnabled(false);
  window_.AppendLog(">Communications Established");
  window_.AppendLog(">Programming");
  currentBlock_ = 0;
  firmware::SendBlock(Output(), currentBlock_);
}

void ProgrammingSession::SendFinish() { Output().SendLongMsg(kFinishRequest.data(), kFinishRequest.size()); }

// The output port in use; without one, the send fails as on a port that is not open.
midi::TMidiOutput& ProgrammingSession::Output() {
  midi::TMidiOutput* output = window_.MidiOutput1();
  if (output == nullptr) throw midi::EMidiOutputError("(Long Msg) Device not opened.");
  return *output;
}

}  // namespace app
