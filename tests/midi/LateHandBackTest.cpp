// The ports on a platform that hands headers back late: a reset that returns before the driver
// has given back what it took (its own thread does so later, and until then unpreparing a header
// answers MIDIERR_STILLPLAYING), and a driver that takes a lent buffer's count and flags as the
// port left them. Close must never free what the driver may still write to, and a buffer lent
// again must start empty.
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "tests/support/PortTestBase.h"

namespace {

using midi::TMidiInput;
using midi::TMidiOutput;
using midi::TMyMidiEvent;
using testing::ElementsAreArray;

constexpr std::chrono::milliseconds kHandBack{150};

class LateHandBackTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override {
    output_ = Sim().AddOutput("Bass Out");
    input_ = Sim().AddInput("Bass In");
  }

  std::unique_ptr<TMidiOutput> OpenOutput() {
    auto port = std::make_unique<TMidiOutput>(&owner_);
    port->OnMidiOutput = framework::TNotifyEvent(&owner_, [this](framework::TObject*) { ++completions_; });
    EXPECT_TRUE(port->Open());
    return port;
  }

  std::unique_ptr<TMidiInput> OpenInput(WORD buffers) {
    auto port = std::make_unique<TMidiInput>(&owner_);
    port->SetSysexBufferCount(buffers);
    port->OnMidiInput = framework::TNotifyEvent(&owner_, [this, raw = port.get()](framework::TObject*) {
      while (raw->PendingEventCount() > 0) events_.push_back(raw->TakeEvent());
    });
    port->Open();
    port->Start();
    return port;
  }

  void Receive(const std::vector<BYTE>& message) {
    Sim().InjectSysex(input_, message);
    ASSERT_TRUE(Sim().WaitUntilDelivered(input_));
    ASSERT_TRUE(testsupport::ProcessPendingEvents());
  }

  platform::SimulatedTransport::DeviceId output_{};
  platform::SimulatedTransport::DeviceId input_{};
  int completions_ = 0;
  std::vector<std::unique_ptr<TMyMidiEvent>> events_;
  const std::vector<BYTE> probe_ = firmware::ConversationBytes(firmware::kProbeRequest);
};

// The message in flight comes back only after Close's reset has returned; the driver then marks
// its header done, which would be a write into freed memory had Close released it at once.
TEST_F(LateHandBackTest, OutputCloseKeepsAHeaderUntilTheDriverHandsItBack) {
  Sim().Switches().resetHandsBackAfter = kHandBack;
  auto port = OpenOutput();
  Sim().HoldOutput(output_, true);
  port->SendLongMsg(probe_.data(), static_cast<WORD>(probe_.size()));

  EXPECT_EQ(RaisedBy([&] { EXPECT_TRUE(port->Close()); }), "");
  EXPECT_EQ(port->MessagesInFlight(), 0u);
  EXPECT_FALSE(Sim().IsOpen(output_));
  std::this_thread::sleep_for(2 * kHandBack);
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, 1);
  EXPECT_EQ(BlocksLeaked(), 1u) << "only the callback instance";
}

TEST_F(LateHandBackTest, InputCloseWaitsForTheBuffersItsResetTook) {
  Sim().Switches().resetHandsBackAfter = kHandBack;
  auto port = OpenInput(4);

  EXPECT_EQ(RaisedBy([&] { port->Close(); }), "");
  EXPECT_FALSE(Sim().IsOpen(input_));
  port.reset();
  EXPECT_TRUE(escaped_.empty());
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(LateHandBackTest, ABufferLentAgainStartsEmptyWhereTheDriverKeepsItsCount) {
  Sim().Switches().addBufferKeepsHeader = true;
  auto port = OpenInput(1);
  const auto ready = firmware::ConversationBytes(firmware::kReadyReply);
  const auto probe = firmware::ConversationBytes(firmware::kProbeRequest);
  Receive(ready);
  Receive(probe);

  ASSERT_EQ(events_.size(), 2u);
  EXPECT_THAT(
      std::vector<BYTE>(events_[1]->SysexBytes.get(), events_[1]->SysexBytes.get() + events_[1]->SysexByteCount),
      ElementsAreArray(probe));
}

}  // namespace
