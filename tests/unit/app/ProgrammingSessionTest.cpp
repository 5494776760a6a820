// The programming session, by its states (probing, programming, finished) and each reply, with
// the replies that are no replies, several events at one notice, and a send that fails.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/ProgrammingSession.h"
#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"
#include "framework/ErrorText.h"
#include "framework/Timer.h"
#include "tests/support/ConnectedProgrammerTest.h"
#include "tests/support/EventLoop.h"

namespace {

using app::ProgrammingSession;
using firmware::kBlockAckReply;
using firmware::kErrorReply;
using firmware::kReadyReply;
using platform::PlatformCall;
using testing::ElementsAre;

using firmware::ConversationBytes;

// The session over connected simulated ports; the device's replies are injected by hand and the
// probe timer's ticks are run by hand.
class ProgrammingSessionTest : public testsupport::ConnectedProgrammerTest {
 protected:
  // Delivers what the device sent and lets every send the session makes complete.
  void Receive(const std::vector<BYTE>& message) {
    Sim().InjectSysex(toolInput_, message);
    Settle();
  }
  // Delivers `message` as the driver hands it back in pieces, one returned buffer each, cut
  // before each of `cuts` (ascending positions within the message).
  void ReceiveInPieces(const std::vector<BYTE>& message, const std::vector<std::size_t>& cuts) {
    std::size_t from = 0;
    for (std::size_t to : cuts) {
      Sim().InjectSysex(toolInput_, std::vector<BYTE>(message.begin() + Offset(from), message.begin() + Offset(to)));
      from = to;
    }
    Sim().InjectSysex(toolInput_, std::vector<BYTE>(message.begin() + Offset(from), message.end()));
    Settle();
  }
  static std::ptrdiff_t Offset(std::size_t position) { return static_cast<std::ptrdiff_t>(position); }
  // Once the transport has delivered, the port's notices wait in the window thread's queue: its
  // loop handles them and whatever they post, then the sends complete.
  void Settle() {
    ASSERT_TRUE(Sim().WaitUntilDelivered(toolInput_));
    ASSERT_TRUE(testsupport::ProcessPendingEvents());
    ASSERT_TRUE(testsupport::ProcessEventsUntil([this] { return programmer_->OutputPort()->MessagesInFlight() == 0; }));
    ASSERT_EQ(programmer_->InputPort()->PendingEventCount(), 0u);
  }

  // The kind byte of each long message sent, or "block n" for firmware blocks.
  std::vector<std::string> SentKinds() {
    std::vector<std::string> kinds;
    for (const platform::SentMessage& message : Sim().Sent(toolOutput_)) {
      if (message.bytes.size() == firmware::kBlockLength)
        kinds.push_back("block " +
                        std::to_string(firmware::BlockNumberOf(message.bytes[firmware::kBlockNumberHighIndex],
                                                               message.bytes[firmware::kBlockNumberLowIndex])));
      else
        kinds.push_back(message.bytes[firmware::kKindIndex] == firmware::kProbeRequest    ? "probe"
                        : message.bytes[firmware::kKindIndex] == firmware::kFinishRequest ? "finish"
                                                                                          : "other");
    }
    return kinds;
  }

  std::uint8_t CurrentBlock() { return programmer_->Session().CurrentBlock(); }

  void RunToTheLastBlock() {
    Receive(ConversationBytes(kReadyReply));
    while (CurrentBlock() != 87) Receive(ConversationBytes(kBlockAckReply));
    Sim().ClearSent(toolOutput_);
    programmer_.log.clear();
  }
};

TEST_F(ProgrammingSessionTest, ProbingSendsAProbeEachTickAndNothingElse) {
  ASSERT_TRUE(testsupport::TickNow(programmer_->ProbeTimer()));
  ASSERT_TRUE(testsupport::TickNow(programmer_->ProbeTimer()));
  Settle();
  EXPECT_THAT(SentKinds(), ElementsAre("probe", "probe"));
  EXPECT_TRUE(programmer_.log.empty());
}

// A device switched off or unplugged while probing fails every probe, and the tool will not find
// it again by itself: each failure says how to restart. Other refusals keep the platform's text.
TEST_F(ProgrammingSessionTest, AProbeThatFindsTheDeviceGoneSaysHowToRestart) {
  const midi::TMidiOutput& output = *programmer_->OutputPort();
  const auto text = [&](MMRESULT code) {
    return framework::ErrorBoxText(output.ErrorText(code, midi::TMidiOutputContext::LongMessage));
  };
  const std::string restart =
      " If the log has stopped, restart the update: close the tool, switch the QLT-1 off, start the tool, then switch "
      "the QLT-1 on.";
  for (MMRESULT code : {MMSYSERR_NODRIVER, MIDIERR_NODEVICE, MIDIERR_NOTREADY}) {
    Faults().FailNext(PlatformCall::midiOutLongMsg, code);
    EXPECT_TRUE(testsupport::TickNow(programmer_->ProbeTimer()));
  }
  EXPECT_EQ(escaped_, (std::vector<std::string>{text(MMSYSERR_NODRIVER) + restart, text(MIDIERR_NODEVICE) + restart,
                                                text(MIDIERR_NOTREADY)}));
  EXPECT_TRUE(programmer_->ProbeTimer().Enabled());
}

TEST_F(ProgrammingSessionTest, ReadyStopsProbingThenSendsBlockZero) {
  ASSERT_TRUE(testsupport::TickNow(programmer_->ProbeTimer()));
  Receive(ConversationBytes(kReadyReply));
  EXPECT_THAT(programmer_.log, ElementsAre(">Communications Established", ">Programming"));
  EXPECT_THAT(SentKinds(), ElementsAre("probe", "block 0"));
  EXPECT_EQ(CurrentBlock(), 0);
  EXPECT_FALSE(testsupport::TickNow(programmer_->ProbeTimer())) << "no probe after ready";
}

TEST_F(ProgrammingSessionTest, RepliesWhileProbing) {
  Receive(ConversationBytes(kErrorReply));
  EXPECT_THAT(programmer_.log, ElementsAre(">Transmission Problem"));
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_THAT(programmer_.log, ElementsAre(">Transmission Problem", ">Block 0"));
  EXPECT_THAT(SentKinds(), ElementsAre("block 9")) << "the first flagged block after 0";
}

TEST_F(ProgrammingSessionTest, EachAcknowledgementSendsTheNextFlaggedBlock) {
  Receive(ConversationBytes(kReadyReply));
  Receive(ConversationBytes(kBlockAckReply));
  Receive(ConversationBytes(kErrorReply));
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_THAT(programmer_.log, ElementsAre(">Communications Established", ">Programming", ">Block 0",
                                           ">Transmission Problem", ">Block 9"));
  EXPECT_THAT(SentKinds(), ElementsAre("block 0", "block 9", "block 10")) << "nothing resent on an error";
  EXPECT_EQ(CurrentBlock(), 10);
}

TEST_F(ProgrammingSessionTest, TheFlagsDecideWhichBlocksGoOut) {
  Receive(ConversationBytes(kReadyReply));
  while (CurrentBlock() != 52) Receive(ConversationBytes(kBlockAckReply));
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_EQ(CurrentBlock(), 64) << "blocks 53 to 63 are not flagged";
}

TEST_F(ProgrammingSessionTest, TheLastAcknowledgementFinishesAndEveryLaterOneFinishesAgain) {
  RunToTheLastBlock();
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_THAT(programmer_.log, ElementsAre(">Block 87", ">New Software Successfully Loaded", ">Finished"));
  EXPECT_THAT(SentKinds(), ElementsAre("finish"));
  Receive(ConversationBytes(kErrorReply));
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_THAT(programmer_.log,
              ElementsAre(">Block 87", ">New Software Successfully Loaded", ">Finished", ">Transmission Problem",
                          ">Block 87", ">New Software Successfully Loaded", ">Finished"));
  EXPECT_THAT(SentKinds(), ElementsAre("finish", "finish"));
  EXPECT_EQ(CurrentBlock(), 87);
}

TEST_F(ProgrammingSessionTest, ReadyRestartsFromBlockZeroWhileProgrammingAndAfterTheFinish) {
  Receive(ConversationBytes(kReadyReply));
  Receive(ConversationBytes(kBlockAckReply));
  Receive(ConversationBytes(kReadyReply));
  EXPECT_EQ(CurrentBlock(), 0);
  EXPECT_THAT(SentKinds(), ElementsAre("block 0", "block 9", "block 0"));
  RunToTheLastBlock();
  Receive(ConversationBytes(kBlockAckReply));
  Receive(ConversationBytes(kReadyReply));
  EXPECT_THAT(SentKinds(), ElementsAre("finish", "block 0"));
}

TEST_F(ProgrammingSessionTest, OnlySevenAndEightByteRepliesCount) {
  const auto& frame = firmware::kFrameStart;
  for (std::size_t length = 1; length <= frame.size(); ++length)
    Receive(std::vector<BYTE>(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length)));
  Receive(ConversationBytes(firmware::kBlock));
  std::vector<BYTE> tooLong = ConversationBytes(kReadyReply);
  tooLong.push_back(firmware::kSysexEnd);
  Receive(tooLong);
  EXPECT_TRUE(programmer_.log.empty()) << "shorter than 7, 9 or more, or another kind: no reply";
  EXPECT_TRUE(SentKinds().empty());

  std::vector<BYTE> withoutEnd = ConversationBytes(kBlockAckReply);
  withoutEnd.pop_back();
  Receive(withoutEnd);
  EXPECT_THAT(programmer_.log, ElementsAre(">Block 0")) << "7 bytes without the end byte still acknowledge";
}

// Every cut of a reply into two pieces, and the 6-byte pieces a Windows 11 build returned: each
// reply is recognised exactly once, including one cut right after its kind byte, whose F7 then
// comes alone.
TEST_F(ProgrammingSessionTest, AReplyInPiecesIsRecognisedOnceWhereverItIsCut) {
  Receive(ConversationBytes(kReadyReply));
  programmer_.log.clear();
  Sim().ClearSent(toolOutput_);
  std::vector<std::string> expectedLog;
  std::vector<std::string> expectedSent;
  std::uint8_t block = CurrentBlock();
  for (std::size_t cut = 1; cut < firmware::kMessageLength; ++cut) {
    ReceiveInPieces(ConversationBytes(kBlockAckReply), {cut});
    expectedLog.push_back(">Block " + std::to_string(block));
    block = static_cast<std::uint8_t>(firmware::NextFlaggedBlock(firmware::FirmwareImage(), block));
    expectedSent.push_back("block " + std::to_string(block));
    EXPECT_EQ(programmer_.log, expectedLog) << "cut before byte " << cut;
  }
  ReceiveInPieces(ConversationBytes(kErrorReply), {6});
  ReceiveInPieces(ConversationBytes(kReadyReply), {1, 2, 3, 4, 5, 6, 7});
  expectedLog.insert(expectedLog.end(), {">Transmission Problem", ">Communications Established", ">Programming"});
  expectedSent.push_back("block 0");
  EXPECT_EQ(programmer_.log, expectedLog);
  EXPECT_EQ(SentKinds(), expectedSent);
}

// A piece whose message never ended is dropped by the next F0 rather than joined to it; the
// pieces of the next message join.
TEST_F(ProgrammingSessionTest, APieceThenANewMessageDropsThePiece) {
  const std::vector<BYTE> frame(firmware::kFrameStart.begin(), firmware::kFrameStart.end());
  Receive(frame);
  ReceiveInPieces(ConversationBytes(kErrorReply), {6});
  EXPECT_THAT(programmer_.log, ElementsAre(">Transmission Problem"));

  const std::vector<BYTE> ack = ConversationBytes(kBlockAckReply);
  Receive(frame);
  Receive(std::vector<BYTE>(ack.begin() + Offset(firmware::kKindIndex), ack.end()));
  EXPECT_THAT(programmer_.log, ElementsAre(">Transmission Problem", ">Block 0"));
}

// A message longer than a reply reads as no reply in whatever pieces it comes, and what follows
// its end is read afresh; a reply cut short (no F7) still counts when its kind byte came.
TEST_F(ProgrammingSessionTest, ALongMessageInPiecesIsNoReplyAndTheNextMessageIsReadAfresh) {
  std::vector<BYTE> longer = ConversationBytes(kReadyReply);
  longer.insert(longer.end() - 1, 4000, 0x00);
  std::vector<std::size_t> sixByteCuts;
  for (std::size_t cut = 6; cut < longer.size(); cut += 6) sixByteCuts.push_back(cut);
  ReceiveInPieces(longer, sixByteCuts);
  EXPECT_TRUE(programmer_.log.empty());

  std::vector<BYTE> withoutEnd = ConversationBytes(kReadyReply);
  withoutEnd.pop_back();
  ReceiveInPieces(withoutEnd, {6});
  EXPECT_THAT(programmer_.log, ElementsAre(">Communications Established", ">Programming"));
}

TEST(MatchesReply, ComparesOnlyWhatArrivedFromTheKindByteOn) {
  const auto message = firmware::ConversationMessage(kReadyReply);
  std::array<std::uint32_t, 8> ready{};
  std::copy(message.begin(), message.end(), ready.begin());
  std::uint8_t received[9] = {};
  std::copy(message.begin(), message.end(), received);
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 0, ready));
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 6, ready));
  EXPECT_TRUE(ProgrammingSession::MatchesReply(received, 7, ready));
  EXPECT_TRUE(ProgrammingSession::MatchesReply(received, 8, ready));
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 9, ready));
  received[firmware::kKindIndex] |= 0x80;
  EXPECT_FALSE(ProgrammingSession::MatchesReply(received, 8, ready)) << "compared as unsigned values";
}

TEST_F(ProgrammingSessionTest, ShortMessagesAreIgnoredAndSeveralEventsAreHandledInOrder) {
  programmer_->InputPort()->SetFilteredMessages({});
  Sim().InjectShort(toolInput_, 0x643C90);
  Sim().InjectSysex(toolInput_, ConversationBytes(kErrorReply));
  Sim().InjectShort(toolInput_, 0xF8);
  Sim().InjectSysex(toolInput_, ConversationBytes(kReadyReply));
  Sim().InjectSysex(toolInput_, ConversationBytes(kErrorReply));
  Settle();
  EXPECT_THAT(programmer_.log, ElementsAre(">Transmission Problem", ">Communications Established", ">Programming",
                                           ">Transmission Problem"));
}

TEST_F(ProgrammingSessionTest, AFailedBlockSendKeepsWhatWasDoneAndWritesNothingAfterIt) {
  Receive(ConversationBytes(kReadyReply));
  Faults().FailNext(PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  Receive(ConversationBytes(kBlockAckReply));
  ASSERT_EQ(escaped_.size(), 1u);
  EXPECT_EQ(escaped_[0], "(Long Msg) The hardware is busy with other data.");
  EXPECT_EQ(CurrentBlock(), 9) << "already set to the block whose send failed";
  EXPECT_THAT(programmer_.log, ElementsAre(">Communications Established", ">Programming", ">Block 0"));
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_EQ(CurrentBlock(), 10) << "the device's next reply decides";
}

TEST_F(ProgrammingSessionTest, AFailedFinishSendLogsNeitherClosingLine) {
  RunToTheLastBlock();
  Faults().FailNext(PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  Receive(ConversationBytes(kBlockAckReply));
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_THAT(programmer_.log, ElementsAre(">Block 87"));
}

TEST_F(ProgrammingSessionTest, AFailedBlockZeroLeavesProbingOff) {
  Faults().FailNext(PlatformCall::midiOutPrepareHeader, MMSYSERR_NOMEM);
  Receive(ConversationBytes(kReadyReply));
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_FALSE(programmer_->ProbeTimer().Enabled());
  EXPECT_EQ(CurrentBlock(), 0);
}

// The session on a context of its own, without the programmer. Discovery puts new ports in the
// slots at every tick, so the session sends through whichever port the output slot holds at each
// send; its log lines and the probe timer it switches off are the context's.
class SessionOnItsOwnTest : public testsupport::PortTestBase {};

TEST_F(SessionOnItsOwnTest, SendsThroughWhatTheOutputSlotHoldsAtEachSendAndUsesItsContext) {
  const auto device = Sim().AddInput(firmware::kDevicePortName);
  const auto first = Sim().AddOutput("first");
  const auto second = Sim().AddOutput("second");
  std::vector<std::string> log;
  framework::TTimer probeTimer(nullptr);
  app::PortSlots ports;
  ProgrammingSession session({[&log](const std::string& line) { log.push_back(line); }, probeTimer, ports});
  session.FillExpectedReplies();
  EXPECT_EQ(RaisedBy([&] { session.SendProbe(); }), "(Long Msg) Device not opened.") << "the slot is empty";

  midi::TMidiOutput firstPort(&owner_);
  firstPort.SetDeviceID(0);
  ASSERT_TRUE(firstPort.Open());
  ports.output = &firstPort;
  session.SendProbe();
  midi::TMidiOutput secondPort(&owner_);
  secondPort.SetDeviceID(1);
  ASSERT_TRUE(secondPort.Open());
  ports.output = &secondPort;
  midi::TMidiInput input(&owner_);
  input.OnMidiInput = framework::TNotifyEvent(&owner_, [&](framework::TObject*) { session.HandleInput(input); });
  input.Open();
  input.Start();
  Sim().InjectSysex(device, ConversationBytes(kReadyReply));
  ASSERT_TRUE(Sim().WaitUntilDelivered(device));
  ASSERT_TRUE(testsupport::ProcessEventsUntil(
      [&] { return log.size() == 2 && firstPort.MessagesInFlight() == 0 && secondPort.MessagesInFlight() == 0; }));

  EXPECT_EQ(Sim().Sent(first).size(), 1u) << "the probe, before the slot changed";
  ASSERT_EQ(Sim().Sent(second).size(), 1u);
  EXPECT_EQ(Sim().Sent(second)[0].bytes.size(), firmware::kBlockLength) << "block 0";
  EXPECT_THAT(log, ElementsAre(">Communications Established", ">Programming"));
  EXPECT_FALSE(probeTimer.Enabled());
  EXPECT_TRUE(escaped_.empty());
}

}  // namespace
