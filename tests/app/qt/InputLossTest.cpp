// What the window tells the user when input from the device is lost (to a full ring, or where the
// platform saw it), which leaves the device waiting for an answer that never comes, and when a
// reply's buffer cannot be lent back to the device.
#include "app/qt/MainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "firmware/Conversation.h"
#include "firmware/TableLayout.h"
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
    output_ = Sim().AddOutput(firmware::kDevicePortName);
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
  platform::SimulatedTransport::DeviceId output_{};
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

// The reply is answered first: the buffer goes back once the answer has gone out.
TEST_F(InputLossTest, AReplysBufferThatCannotBeLentAgainIsShownWithThePlatformsText) {
  Faults().FailNext(PlatformCall::midiInAddBuffer, MMSYSERR_NOMEM);
  Sim().InjectSysex(input_, firmware::ConversationMessage(firmware::kReadyReply));
  ASSERT_TRUE(Sim().WaitUntilDelivered(input_));
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  const auto sent = Sim().Sent(output_);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().bytes.size(), firmware::kBlockLength) << "block 0 sent";
  EXPECT_EQ(escaped_, std::vector<std::string>{
                          form_->MidiInput1()->ErrorText(MMSYSERR_NOMEM) +
                          " A buffer for the QLT-1's replies could not be lent to the system again." + kAdvice});
}

}  // namespace
