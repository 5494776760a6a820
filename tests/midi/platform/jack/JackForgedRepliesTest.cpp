// Forged replies from a third client over JACK, end to end: the programmer as the window wires it,
// on the real transport, updating a device that answers the first probe with ReadyReply and never
// acknowledges a block. A third client connects to the programmer's input and sends one
// ReadyReply and an acknowledgement for every block of an update. The programmer must send
// no block beyond the one the device asked for, and never report success.
#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"
#include "framework/ErrorText.h"
#include "framework/ExceptionGuard.h"
#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"
#include "midi/platform/jack/ReceivedEvents.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/midi/platform/jack/ForgingClient.h"
#include "tests/support/EventLoop.h"
#include "tests/support/PrivateJackServer.h"
#include "tests/support/ProgrammerUnderTest.h"

namespace {

using namespace std::chrono_literals;

// A connection is mostly undone before any cycle ran with it; the forger connects again until
// every forged reply went over one.
constexpr int kAttempts = 500;

// On JACK ports named like the QLT-1's: answers the first probe with ReadyReply, then only counts
// what the programmer sends.
class SilentQlt1 {
 public:
  SilentQlt1()
      : toTool_(platform::JackMidiOutput::Open("silent-qlt1-out", firmware::kDevicePortName)),
        fromTool_(platform::JackMidiInput::Open("silent-qlt1-in", firmware::kDevicePortName, arrivals_)),
        reader_([this](std::stop_token stop) { Read(stop); }) {}

  bool Ready() const { return toTool_ != nullptr && fromTool_ != nullptr; }
  std::string OutputName() const { return toTool_->Client().Name(); }
  int Blocks() const { return blocks_.load(); }
  bool FinishRequested() const { return finishRequested_.load(); }

 private:
  void Read(std::stop_token stop) {
    bool answered = false;
    while (!stop.stop_requested()) {
      const std::optional<std::vector<BYTE>> message = arrivals_.Take(20ms);
      if (!message || message->size() <= firmware::kKindIndex) continue;
      const BYTE kind = (*message)[firmware::kKindIndex];
      if (kind == firmware::kProbeRequest && !answered) {
        answered = toTool_->Queue(firmware::ConversationBytes(firmware::kReadyReply));
      } else if (kind == firmware::kBlock) {
        ++blocks_;
      } else if (kind == firmware::kFinishRequest) {
        finishRequested_ = true;
      }
    }
  }

  std::atomic<int> blocks_{0};
  std::atomic<bool> finishRequested_{false};
  platform::ReceivedEvents arrivals_;  // before the input, which delivers to it
  std::unique_ptr<platform::JackMidiOutput> toTool_;
  std::unique_ptr<platform::JackMidiInput> fromTool_;
  std::jthread reader_;  // last: stops before what it uses goes
};

class InstalledRtMidi {
 public:
  InstalledRtMidi()
      : previous_(
            platform::InstallTransport(std::make_unique<platform::SystemsTransport>(platform::MidiSystems::Jack))) {}
  ~InstalledRtMidi() { platform::InstallTransport(std::move(previous_)); }

 private:
  std::unique_ptr<platform::Transport> previous_;
};

// The texts the error boxes would show.
class EscapedErrors {
 public:
  EscapedErrors()
      : previous_(framework::SetExceptionHook(
            [this](std::exception_ptr error) { texts.push_back(framework::MessageOf(error)); })) {}
  ~EscapedErrors() { framework::SetExceptionHook(previous_); }
  std::vector<std::string> texts;

 private:
  framework::ExceptionHook previous_;
};

// One ReadyReply, then an acknowledgement for every block of an update.
std::vector<testsupport::Bytes> ForgedReplies() {
  std::vector<testsupport::Bytes> replies{firmware::ConversationBytes(firmware::kReadyReply)};
  for (std::size_t block = 0; block < firmware::BlocksOfAnUpdate(firmware::FirmwareImage()).size(); ++block)
    replies.push_back(firmware::ConversationBytes(firmware::kBlockAckReply));
  return replies;
}

TEST(JackForgedReplies, ADeviceThatNeverAcknowledgesGetsOnlyTheBlockItAskedForWhateverAThirdClientSends) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  SilentQlt1 device;
  ASSERT_TRUE(device.Ready());
  InstalledRtMidi transport;
  EscapedErrors errors;
  testsupport::ProgrammerUnderTest programmer;
  programmer->DiscoveryTimer().SetInterval(10);
  programmer->ProbeTimer().SetInterval(50);
  programmer->Start();
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return device.Blocks() == 1; }, 20s)) << "no first block";

  const std::vector<testsupport::Bytes> forged = ForgedReplies();
  ASSERT_EQ(forged.size(), 70u);
  testsupport::ForgingClient forger(forged, false);
  const std::vector<std::string> ours = forger.ConnectionsOf(device.OutputName());
  ASSERT_EQ(ours.size(), 1u);
  auto forging = std::async(std::launch::async, [&] {
    for (int attempt = 0; attempt < kAttempts && forger.MessagesDelivered() < forged.size(); ++attempt)
      if (!forger.ConnectUntilUndone(ours[0], 5s)) break;
  });
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return forging.wait_for(0s) == std::future_status::ready; }, 60s));
  ASSERT_EQ(forger.MessagesDelivered(), forged.size()) << "the forged replies did not all reach our port";
  testsupport::ProcessEventsFor(1s);

  EXPECT_EQ(device.Blocks(), 1);
  EXPECT_FALSE(device.FinishRequested());
  EXPECT_EQ(std::ranges::count(programmer.log, ">New Software Successfully Loaded"), 0);
  EXPECT_EQ(std::ranges::count_if(programmer.log, [](const std::string& line) { return line.starts_with(">Block"); }),
            0)
      << "no block was acknowledged";
  // What came while the third client was connected cannot be told from the device's: its loss is
  // shown, once.
  EXPECT_EQ(errors.texts, std::vector<std::string>{"Messages from the QLT-1 were lost: they came in faster than they "
                                                   "could be read. If the log has stopped, restart the update: "
                                                   "close the tool, switch the QLT-1 off, start the tool, then switch "
                                                   "the QLT-1 on."});
  EXPECT_EQ(forger.ConnectionsOf(ours[0]), std::vector<std::string>{device.OutputName()}) << "the forger's stayed";
}

}  // namespace
