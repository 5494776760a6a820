// What the window tells the user when input from the device cannot reach the conversation: input
// lost to a full ring or lost where the platform saw it, and a reply whose buffer cannot be lent
// back to the device. Each leaves the device waiting for an answer that never comes.
#include "app/qt/MainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "firmware/Conversation.h"
#include "tests/support/EventLoop.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/TickNow.h"

namespace {

using platform::PlatformCall;

const std::string kAdvice =
    " If the log has stopped, restart the update: close the tool, switch the QLT-1 off, start the tool, then switch "
    "the "
    "QLT-1 on.";

class InputLossTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override {
    input_ = Sim().AddInput(firmware::kDevicePortName);
    Sim().AddOutput(firmware::kDevicePortName);
    form_ = std::make_unique<app::TForm1>();
    ASSERT_TRUE(testsupport::TickNow(form_->Timer1()));
    ASSERT_TRUE(form_->ProgramTimer().Enabled()) << "connected";
  }

  // Faster than the window takes them, so that the ring of 1,024 events overflows.
  void Flood(int messages) {
    const std::vector<BYTE> unknown{0xF0, 0x7D, 0x01, 0xF7};
    for (int i = 0; i < messages; ++i) Sim().InjectSysex(input_, unknown);
    ASSERT_TRUE(Sim().WaitUntilDelivered(input_));
    EXPECT_TRUE(testsupport::ProcessPendingEvents());
  }

  platform::SimulatedTransport::DeviceId input_{};
  std::unique_ptr<app::TForm1> form_;
};

TEST_F(InputLossTest, InputLostToAFullRingIsShownOncePerOpening) {
  Flood(1100);
  EXPECT_EQ(escaped_, std::vector<std::string>{"Messages from the QLT-1 were lost: they came in faster than they "
                                               "could be read." +
                                               kAdvice});
  Flood(1100);
  EXPECT_EQ(escaped_.size(), 1u);
}

// A loss the platform saw (the system's overrun, events not believed) says the same, and floods
// of them, or an overflow with them, still make one box per opening.
TEST_F(InputLossTest, InputThePlatformLostIsShownOncePerOpening) {
  for (int i = 0; i < 3; ++i) Sim().InjectLoss(input_);
  ASSERT_TRUE(Sim().WaitUntilDelivered(input_));
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(escaped_, std::vector<std::string>{"Messages from the QLT-1 were lost: they came in faster than they "
                                               "could be read." +
                                               kAdvice});
  Flood(1100);
  EXPECT_EQ(escaped_.size(), 1u);
}

TEST_F(InputLossTest, AReplyThatCannotBeReadIsShownWithThePlatformsText) {
  Faults().FailNext(PlatformCall::midiInAddBuffer, MMSYSERR_NOMEM);
  Sim().InjectSysex(input_, firmware::ConversationMessage(firmware::kReadyReply));
  ASSERT_TRUE(Sim().WaitUntilDelivered(input_));
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(escaped_, std::vector<std::string>{form_->MidiInput1()->ErrorText(MMSYSERR_NOMEM) +
                                               " A reply from the QLT-1 could not be read." + kAdvice});
}

}  // namespace
