#pragma once

// The QLT-1 on JACK ports of its own (named like the device), answering the conversation with the
// device model, with the misbehaviour a broken or malicious device may show: floods of short
// messages, a huge System Exclusive message, messages cut short before their end byte, and stray
// bytes around and inside its replies. It can be restarted like RestartableDevice. Its ports are
// JACK ports of our own, which hold what a cycle has no room for, so nothing it sends is lost.

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"
#include "midi/platform/jack/ReceivedEvents.h"
#include "tests/reliability/DeviceUnderTest.h"
#include "tests/reliability/UpdatesCounted.h"
#include "tools/qlt1/Qlt1Model.h"

namespace reliability {

struct Hostility {
  int flood = 0;               // short messages in all, spread before the replies of one update
  BYTE floodStatus = 0x90;     // 0x90 notes (on and off), 0xF8 timing clock, 0xFE active sensing
  std::size_t giantSysex = 0;  // bytes of one System Exclusive message sent before the first acknowledgement
  bool cutShort = false;       // a System Exclusive message without its end byte before every reply
  bool garbage = false;        // stray bytes before every reply, and real-time bytes inside it
};

class HostileQlt1 final : public DeviceUnderTest {
 public:
  explicit HostileQlt1(Hostility hostility);
  ~HostileQlt1();
  HostileQlt1(const HostileQlt1&) = delete;
  HostileQlt1& operator=(const HostileQlt1&) = delete;

  void Restart() override;
  int Finishes() const override { return updates_.Finishes(); }
  int BadImages() const override { return updates_.BadImages(); }
  std::vector<std::string> Faults() const { return updates_.Faults(); }

 private:
  void Serve(std::stop_token stop);
  // False when stopped; otherwise `message` is the next one, or empty for a restart.
  bool Next(std::stop_token& stop, qlt1::Message& message, bool& restart);
  void Handle(const qlt1::Message& message);
  void Answer(const std::vector<qlt1::Message>& replies);
  void SendReply(const qlt1::Message& reply);
  void SendMisbehaviour();
  void Send(const std::vector<BYTE>& bytes);

  const Hostility hostility_;
  const int floodPerReply_;
  bool giantSent_ = false;
  std::size_t burstBytes_ = 0;  // sent since the last pause
  std::atomic<bool> restartRequested_{false};
  UpdatesCounted updates_;
  platform::ReceivedEvents arrivals_;  // before the input, which delivers to it
  std::unique_ptr<platform::JackMidiOutput> toTool_;
  std::unique_ptr<platform::JackMidiInput> fromTool_;
  std::jthread worker_;  // last: stops before what it uses goes
};

}  // namespace reliability
