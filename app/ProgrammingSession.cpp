#include "app/ProgrammingSession.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "firmware/FirmwareImage.h"
#include "firmware/SendBlock.h"

namespace app {

namespace {

using firmware::kKindIndex;

constexpr auto kProbeRequest = firmware::ConversationMessage(firmware::kProbeRequest);
constexpr auto kFinishRequest = firmware::ConversationMessage(firmware::kFinishRequest);

}  // namespace

ProgrammingSession::ProgrammingSession(SessionContext context) : context_(std::move(context)) {}

void ProgrammingSession::FillExpectedReplies() {
  const std::uint8_t kinds[] = {firmware::kErrorReply, firmware::kBlockAckReply, firmware::kReadyReply};
  for (std::size_t reply = 0; reply < expectedReplies_.size(); ++reply) {
    const auto bytes = firmware::ConversationMessage(kinds[reply]);
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

void ProgrammingSession::SendProbe() {
  if (OutputFlooded()) return;
  Output().SendLongMsg(kProbeRequest.data(), kProbeRequest.size());
}

void ProgrammingSession::HandleInput(midi::TMidiInput& port) {
  while (port.PendingEventCount() > 0) {
    const std::unique_ptr<midi::TMyMidiEvent> event = port.TakeEvent();
    if (event == nullptr) return;
    if (event->StatusByte == firmware::kSysexStart) HandleSysex(*event);
  }
}

// A driver may hand one System Exclusive message back in pieces, each buffer returned before the
// message's end: the platform lets a returned buffer be part-filled, and a shipped Windows 11
// build returned one every 6 bytes. A piece that begins with F0 begins a message, dropping one
// whose end never came; any other piece continues the message begun, or is dropped when none is
// (its beginning was never seen, or its message has ended); a piece holding F7 ends the message.
// The message is read once, by the piece that brings it to its kind byte, so a reply reads the
// same however it was cut, and a whole message reads as it always has. Only the bytes up to that
// piece are kept: what the session holds stays within the receive buffer however long the
// device's message, and the rest of a message already read is only watched for its end, since no
// byte of it can change what it is.
bool ProgrammingSession::JoinPiece(const std::uint8_t* bytes, std::size_t count) {
  if (bytes[0] == firmware::kSysexStart) {
    receivedCount_ = 0;
    messageOpen_ = true;
  }
  if (!messageOpen_) return false;
  messageOpen_ = std::find(bytes, bytes + count, firmware::kSysexEnd) == bytes + count;
  if (receivedCount_ > kKindIndex) return false;
  std::memcpy(receiveBuffer_.data() + receivedCount_, bytes, std::min(count, receiveBuffer_.size() - receivedCount_));
  receivedCount_ += count;
  return receivedCount_ > kKindIndex;
}

// Each reply is tested on the same bytes, in this order, and its action runs before the next
// test; a failed send ends the handling of this message. A reply that needs an answer is left
// unhandled while the output is flooded.
void ProgrammingSession::HandleSysex(const midi::TMyMidiEvent& event) {
  if (event.SysexBytes == nullptr || !JoinPiece(event.SysexBytes.get(), event.SysexByteCount)) return;
  const auto matches = [this](Reply reply) {
    return MatchesReply(receiveBuffer_.data(), receivedCount_, expectedReplies_[static_cast<std::size_t>(reply)]);
  };
  if (matches(Reply::Error)) context_.log(">Transmission Problem");
  if (matches(Reply::BlockAck) && !OutputFlooded()) AcknowledgeBlock();
  if (matches(Reply::Ready) && !OutputFlooded()) StartProgramming();
}

void ProgrammingSession::AcknowledgeBlock() {
  context_.log(">Block " + std::to_string(currentBlock_));
  const int next = firmware::NextFlaggedBlock(firmware::FirmwareImage(), currentBlock_);
  if (next >= 0) {
    currentBlock_ = static_cast<std::uint8_t>(next);
    firmware::SendBlock(Output(), currentBlock_);
    return;
  }
  SendFinish();
  context_.log(">New Software Successfully Loaded");
  context_.log(">Finished");
}

void ProgrammingSession::StartProgramming() {
  context_.probeTimer.SetEnabled(false);
  context_.log(">Communications Established");
  context_.log(">Programming");
  currentBlock_ = 0;
  firmware::SendBlock(Output(), currentBlock_);
}

void ProgrammingSession::SendFinish() { Output().SendLongMsg(kFinishRequest.data(), kFinishRequest.size()); }

// A device that sends replies faster than the output carries the answers fills the output until
// it refuses one as busy; that send's error tells the user, once. From then on, while the
// platform holds more than the one message a reply answers (the conversation never has more
// there), a reply gets no answer: each would be refused again, a box each, and its log line and
// the block it moves to would tell of a message that never left. A device restarted once the
// flood is over is answered again. What the platform holds, not what the port has yet to hear
// is done: completions reach the window apart from replies, often after them.
bool ProgrammingSession::OutputFlooded() {
  const midi::TMidiOutput* output = context_.ports.output;
  return output != nullptr && output->BusyRefusalCount() > 0 && output->MessagesQueued() > 1;
}

// The output port in use; without one, the send fails as on a port that is not open.
midi::TMidiOutput& ProgrammingSession::Output() {
  midi::TMidiOutput* output = context_.ports.output;
  if (output == nullptr) throw midi::EMidiOutputError("(Long Msg) Device not opened.");
  return *output;
}

}  // namespace app
