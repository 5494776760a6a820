// The programming session, by its states (probing, programming, finished) and each reply, with
// the replies that are no replies, several events at one notice, and a send that fails.
#include <array>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/DeviceDiscovery.h"
#include "app/ProgrammingSession.h"
#include "firmware/FirmwareImage.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerTestWindow.h"

namespace {

using app::ProgrammingSession;
using platform::PlatformCall;
using testing::ElementsAre;

constexpr const char* kDevice = "QZ Korvalith port 2";
constexpr BYTE kErrorReply = 0x00;
constexpr BYTE kBlockAckReply = 0x01;
constexpr BYTE kReadyReply = 0x05;

std::vector<BYTE> Reply(BYTE kind) { return {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, kind, 0xF7}; }

// The session over connected simulated ports; the device's replies are injected by hand.
class ProgrammingSessionTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override {
    toolInput_ = Sim().AddInput(kDevice);
    toolOutput_ = Sim().AddOutput(kDevice);
    window_.inputHandler = framework::TNotifyEvent(&window_, [this](framework::TObject* sender) {
      session_.MidiInput1MidiInput(static_cast<midi::TMidiInput&>(*sender));
    });
    session_.FillExpectedReplies();
    discovery_.Timer1Timer();
    window_.log.clear();
  }

  // Probes go out only in the tests that let the probe timer's ticks reach the session.
  void LetProbeTimerTick() {
    window_.ProgramTimer().OnTimer = framework::TNotifyEvent(&window_, [this](framework::TObject*) {
      session_.ProgramTimerTimer();
    });
  }

  // Delivers what the device sent and lets every send the session makes complete.
  void Receive(const std::vector<BYTE>& message) {
    Sim().InjectSysex(toolInput_, message);
    Settle();
  }
  void Settle() {
    ASSERT_TRUE(Sim().WaitUntilDelivered(toolInput_));
    testsupport::ProcessEventsUntil([this] { return window_.MidiOutput1()->MessagesInFlight() == 0; });
    testsupport::ProcessEventsFor(std::chrono::milliseconds(10));
  }

  // The kind byte of each long message sent, or "block n" for firmware blocks.
  std::vector<std::string> SentKinds() {
    std::vector<std::string> kinds;
    for (const platform::SentMessage& message : Sim().Sent(toolOutput_)) {
      if (message.bytes.size() == firmware::kBlockLength)
        kinds.push_back("block " + std::to_string(message.bytes[7] * 16 + message.bytes[8]));
      else
        kinds.push_back(message.bytes[6] == 0x04 ? "probe" : message.bytes[6] == 0x02 ? "finish" : "other");
    }
    return kinds;
  }

  void RunToTheLastBlock() {
    Receive(Reply(kReadyReply));
    while (session_.CurrentBlock() != 87) Receive(Reply(kBlockAckReply));
    Sim().ClearSent(toolOutput_);
    window_.log.clear();
  }

  platform::SimulatedTransport::DeviceId toolInput_{};
  platform::SimulatedTransport::DeviceId toolOutput_{};
  testsupport::ProgrammerTestWindow window_;
  ProgrammingSession session_{window_};
  app::DeviceDiscovery discovery_{window_};
};

TEST_F(ProgrammingSessionTest, ProbingSendsAProbeEachTickAndNothingElse) {
  ASSERT_TRUE(window_.ProgramTimer().Enabled());
  LetProbeTimerTick();
  ASSERT_TRUE(testsupport::ProcessEventsUntil([this] { return Sim().Sent(toolOutput_).size() >= 2; }));
  EXPECT_THAT(SentKinds(), ElementsAre("probe", "probe"));
  EXPECT_TRUE(window_.log.empty());
}

TEST_F(ProgrammingSessionTest, ReadyStopsProbingThenSendsBlockZero) {
  LetProbeTimerTick();
  Receive(Reply(kReadyReply));
  EXPECT_FALSE(window_.ProgramTimer().Enabled());
  EXPECT_THAT(window_.log, ElementsAre(">Communications Established", ">Programming"));
  EXPECT_EQ(SentKinds().back(), "block 0");
  EXPECT_EQ(session_.CurrentBlock(), 0);
  const std::size_t sent = SentKinds().size();
  testsupport::ProcessEventsFor(std::chrono::milliseconds(400));
  EXPECT_EQ(SentKinds().size(), sent) << "no probe after ready";
}

TEST_F(ProgrammingSessionTest, RepliesWhileProbing) {
  Receive(Reply(kErrorReply));
  EXPECT_THAT(window_.log, ElementsAre(">Transmission Problem"));
  Receive(Reply(kBlockAckReply));
  EXPECT_THAT(window_.log, ElementsAre(">Transmission Problem", ">Block 0"));
  EXPECT_THAT(SentKinds(), ElementsAre("block 9")) << "the first flagged block after 0";
}

TEST_F(ProgrammingSessionTest, EachAcknowledgementSendsTheNextFlaggedBlock) {
  Receive(Reply(kReadyReply));
  Receive(Reply(kBlockAckReply));
  Receive(Reply(kErrorReply));
  Receive(Reply(kBlockAckReply));
  EXPECT_THAT(window_.log, ElementsAre(">Communications Established", ">Programming", ">Block 0",
                                       ">Transmission Problem", ">Block 9"));
  EXPECT_THAT(SentKinds(), ElementsAre("block 0", "block 9", "block 10")) << "nothing resent on an error";
  EXPECT_EQ(session_.CurrentBlock(), 10);
}

TEST_F(ProgrammingSessionTest, TheFlagsDecideWhichBlocksGoOut) {
  Receive(Reply(kReadyReply));
  while (session_.CurrentBlock() != 52) Receive(Reply(kBlockAckReply));
  Receive(Reply(kBlockAckReply));
  EXPECT_EQ(session_.CurrentBlock(), 64) << "blocks 53 to 63 are not flagged";
}

TEST_F(ProgrammingSessionTest, TheLastAcknowledgementFinishesAndEveryLaterOneFinishesAgain) {
  RunToTheLastBlock();
  Receive(Reply(kBlockAckReply));
  EXPECT_THAT(window_.log, ElementsAre(">Block 87", ">New Software Successfully Loaded", ">Finished"));
  EXPECT_THAT(SentKinds(), ElementsAre("finish"));
  Receive(Reply(kErrorReply));
  Receive(Reply(kBlockAckReply));
  EXPECT_THAT(window_.log, ElementsAre(">Block 87", ">New Software Successfully Loaded", ">Finished",
                                       ">Transmission Problem", ">Block 87", ">New Software Successfully Loaded",
                                       ">Finished"));
  EXPECT_THAT(SentKinds(), ElementsAre("finish", "finish"));
  EXPECT_EQ(session_.CurrentBlock(), 87);
}

TEST_F(ProgrammingSessionTest, ReadyRestartsFromBlockZeroWhileProgrammingAndAfterTheFinish) {
  Receive(Reply(kReadyReply));
  Receive(Reply(kBlockAckReply));
  Receive(Reply(kReadyReply));
  EXPECT_EQ(session_.CurrentBlock(), 0);
  EXPECT_THAT(SentKinds(), ElementsAre("block 0", "block 9", "block 0"));
  RunToTheLastBlock();
  Receive(Reply(kBlockAckReply));
  Receive(Reply(kReadyReply));
  EXPECT_THAT(SentKinds(), ElementsAre("finish", "block 0"));
}

TEST_F(ProgrammingSessionTest, OnlySevenAndEightByteRepliesCount) {
  const std::vector<BYTE> frame{0xF0, 0x00, 0x00, 0x00, 0x00, 0x01};
  for (std::size_t length = 1; length <= frame.size(); ++length)
    Receive(std::vector<BYTE>(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length)));
  Receive({0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0xF7});
  Receive({0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05, 0xF7, 0xF7});
  EXPECT_TRUE(window_.log.empty()) << "shorter than 7, 9 or more, or another kind: no reply";
  EXPECT_TRUE(SentKinds().empty());

  Receive({0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01});
  EXPECT_THAT(window_.log, ElementsAre(">Block 0")) << "7 bytes without the end byte still acknowledge";
}

TEST(MatchesReply, ComparesOnlyWhatArrivedFromTheKindByteOn) {
  const std::array<std::uint32_t, 8> ready{0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05, 0xF7};
  const std::uint8_t received[] = {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05, 0xF7, 0x00};
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 0, ready));
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 6, ready));
  EXPECT_TRUE(ProgrammingSession::MatchesReply(received, 7, ready));
  EXPECT_TRUE(ProgrammingSession::MatchesReply(received, 8, ready));
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 9, ready));
  const std::uint8_t high[] = {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x85, 0xF7};
  EXPECT_FALSE(ProgrammingSession::MatchesReply(high, 8, ready)) << "compared as unsigned values";
}

TEST_F(ProgrammingSessionTest, ShortMessagesAreIgnoredAndSeveralEventsAreHandledInOrder) {
  window_.MidiInput1()->SetFilteredMessages({});
  Sim().InjectShort(toolInput_, 0x643C90);
  Sim().InjectSysex(toolInput_, Reply(kErrorReply));
  Sim().InjectShort(toolInput_, 0xF8);
  Sim().InjectSysex(toolInput_, Reply(kReadyReply));
  Sim().InjectSysex(toolInput_, Reply(kErrorReply));
  Settle();
  EXPECT_THAT(window_.log, ElementsAre(">Transmission Problem", ">Communications Established", ">Programming",
                                       ">Transmission Problem"));
}

TEST_F(ProgrammingSessionTest, AFailedBlockSendKeepsWhatWasDoneAndWritesNothingAfterIt) {
  Receive(Reply(kReadyReply));
  Faults().FailNext(PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  Receive(Reply(kBlockAckReply));
  ASSERT_EQ(escaped_.size(), 1u);
  EXPECT_EQ(escaped_[0], "(Long Msg) The hardware is busy with other data.");
  EXPECT_EQ(session_.CurrentBlock(), 9) << "already set to the block whose send failed";
  EXPECT_THAT(window_.log, ElementsAre(">Communications Established", ">Programming", ">Block 0"));
  Receive(Reply(kBlockAckReply));
  EXPECT_EQ(session_.CurrentBlock(), 10) << "the device's next reply decides";
}

TEST_F(ProgrammingSessionTest, AFailedFinishSendLogsNeitherClosingLine) {
  RunToTheLastBlock();
  Faults().FailNext(PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  Receive(Reply(kBlockAckReply));
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_THAT(window_.log, ElementsAre(">Block 87"));
}

TEST_F(ProgrammingSessionTest, AFailedBlockZeroLeavesProbingOff) {
  Faults().FailNext(PlatformCall::midiOutPrepareHeader, MMSYSERR_NOMEM);
  Receive(Reply(kReadyReply));
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_FALSE(window_.ProgramTimer().Enabled());
  EXPECT_EQ(session_.CurrentBlock(), 0);
}

}  // namespace
