#pragma once

// The conversation with the device that moves the firmware across: a probe every tick until the
// device is ready, then block after block, each on the device's acknowledgement, then the finish.
// The device leads; the session only answers, and no faster than the output carries its answers
// once the output has refused one as busy. Window thread only.

#include <array>
#include <cstddef>
#include <cstdint>

#include "app/ProgrammerParts.h"
#include "firmware/Conversation.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

namespace app {

// What the session works with; what it refers to outlives the session.
struct SessionContext {
  LogLine log;
  // Switched off when the device is ready: programming has begun.
  framework::TTimer& probeTimer;
  // The session sends through the output port in use, whichever one discovery put there last.
  const PortSlots& ports;
};

// The three replies the device sends; they differ only in the kind byte.
enum class Reply { Error, BlockAck, Ready };

class ProgrammingSession {
 public:
  static constexpr std::size_t kReplyLength = firmware::kMessageLength;
  // Holds the piece that brings a message to its kind byte whole, with what came before it: more
  // than a buffer discovery lends (4096 bytes). Only a reply's first eight bytes are ever
  // compared; a piece longer than the room left is cut.
  static constexpr std::size_t kReceiveBufferSize = 8000;

  explicit ProgrammingSession(SessionContext context);

  // At the window's creation, before its first log line.
  void FillExpectedReplies();

  // Sends ProbeRequest: one tick of the probe timer.
  void SendProbe();
  // Handles every event waiting in `port`.
  void HandleInput(midi::TMidiInput& port);

  // The block most recently sent, which the next acknowledgement is for.
  std::uint8_t CurrentBlock() const { return currentBlock_; }

  // Whether `count` received bytes match `expected`: a message of 7 or 8 bytes matches the reply
  // it begins; shorter ones carry no kind byte and longer ones are no reply, so they match none.
  // The bytes are a message's, however many pieces the driver handed it back in.
  static bool MatchesReply(const std::uint8_t* received, std::size_t count,
                           const std::array<std::uint32_t, kReplyLength>& expected);

 private:
  void HandleSysex(const midi::TMyMidiEvent& event);
  // Joins one returned buffer's bytes to the message they belong to; true when they bring it to
  // its kind byte, which decides what it is.
  bool JoinPiece(const std::uint8_t* bytes, std::size_t count);
  void AcknowledgeBlock();
  void StartProgramming();
  void SendFinish();
  midi::TMidiOutput& Output();
  bool OutputFlooded();

  SessionContext context_;
  std::array<std::array<std::uint32_t, kReplyLength>, 3> expectedReplies_{};
  std::uint8_t currentBlock_ = 0;
  std::array<std::uint8_t, kReceiveBufferSize> receiveBuffer_{};
  std::size_t receivedCount_ = 0;  // of the message being joined, counted past what the buffer keeps
  bool messageOpen_ = false;       // a message has begun and its F7 has not come
};

}  // namespace app
