#pragma once

// The conversation's rules as the fuzz harness checks the session against them: for every event
// the session takes, the log lines and sends it must produce, in order. Follows the session's
// documented reading of a reply: a System Exclusive message of 7 or 8 bytes matches the reply it
// begins; shorter and longer ones match none. A message the port hands over in pieces (buffers
// returned before its end) is joined first and read once, when it first has its kind byte.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "midi/platform/MmSystem.h"

namespace fuzz {

// One thing the session did: a log line, or a send that went out or failed.
struct Action {
  enum class Kind { Line, Sent, SendFailed };
  Kind kind = Kind::Line;
  std::string line;
  std::vector<BYTE> bytes;
  bool operator==(const Action&) const = default;
};

// One event as the input port gives it.
struct TakenEvent {
  BYTE status = 0;
  DWORD shortMessage = 0;   // status and data bytes, for a short message
  std::vector<BYTE> bytes;  // System Exclusive only
  bool isSysex = false;
};

class SessionModel {
 public:
  // The actions for `events`, taken in order within one notice. A failed send ends the notice;
  // gives how many events were handled (the failing one included).
  std::size_t Take(std::span<const TakenEvent> events, std::vector<Action>& expected);
  // A tick of the probe timer, which only ticks while it is on.
  void Tick(std::vector<Action>& expected);
  // The next send fails.
  void ArmSendFailure() { failNextSend_ = true; }

  bool ProbeTimerOn() const { return probeTimerOn_; }
  std::uint8_t CurrentBlock() const { return currentBlock_; }

 private:
  // False when the send failed, which ends the handling of the event.
  bool Handle(const TakenEvent& event, std::vector<Action>& expected);
  // Whether `piece` brings the message it belongs to up to its kind byte.
  bool Join(const std::vector<BYTE>& piece);
  bool Acknowledge(std::vector<Action>& expected);
  bool StartProgramming(std::vector<Action>& expected);
  bool Send(std::span<const BYTE> bytes, std::vector<Action>& expected);

  bool probeTimerOn_ = true;
  std::uint8_t currentBlock_ = 0;
  bool failNextSend_ = false;
  std::vector<BYTE> message_;  // the message being joined, whole
  bool messageOpen_ = false;   // begun, and its F7 has not come
};

// The text of every send failure the harness makes.
inline constexpr const char* kSendFailure = "(Long Msg) The hardware is busy with other data.";

}  // namespace fuzz
