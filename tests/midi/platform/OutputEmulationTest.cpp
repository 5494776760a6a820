// The output side of the platform emulation: a long send the transport takes at once is done
// inside the call, one that must wait later as MOM_DONE on a thread of the device's own, a reset
// hands back what was not sent, close waits for nothing but refuses while headers are in flight,
// the device takes only so many long messages at once, and a transfer that fails after the call
// returned says so in its completion.
#include <memory>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/MmSystem.h"
#include "midi/platform/OutputDevice.h"
#include "tests/support/CallbackRecorder.h"
#include "tests/support/EventLoop.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using testing::ElementsAre;
using testsupport::CallbackRecorder;

struct LongMessage {
  explicit LongMessage(std::vector<BYTE> bytes) : data(std::move(bytes)) {
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = static_cast<DWORD>(data.size());
  }
  std::vector<BYTE> data;
  MIDIHDR header{};
};

class OutputEmulationTest : public testsupport::SimulatedPlatformTest {
 protected:
  void SetUp() override {
    device_ = Sim().AddOutput("Bass Out");
    ASSERT_EQ(midiOutOpen(&handle_, 0, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
  }

  void TearDown() override {
    if (handle_ == nullptr) return;
    Sim().HoldOutput(device_, false);
    EXPECT_EQ(midiOutReset(handle_), MMSYSERR_NOERROR);
    EXPECT_EQ(midiOutClose(handle_), MMSYSERR_NOERROR);
  }

  MMRESULT Send(LongMessage& message) {
    const MMRESULT prepared = midiOutPrepareHeader(handle_, &message.header, sizeof(MIDIHDR));
    return prepared != MMSYSERR_NOERROR ? prepared : midiOutLongMsg(handle_, &message.header, sizeof(MIDIHDR));
  }

  CallbackRecorder recorder_;
  platform::SimulatedTransport::DeviceId device_{};
  HMIDIOUT handle_ = nullptr;
};

TEST_F(OutputEmulationTest, ALongSendTakenAtOnceIsDoneInsideTheCallOnTheCallersThread) {
  LongMessage message(firmware::ConversationBytes(firmware::kProbeRequest));
  ASSERT_EQ(Send(message), MMSYSERR_NOERROR);

  const auto done = recorder_.CallsOf(MOM_DONE);
  ASSERT_EQ(done.size(), 1u) << "reported before midiOutLongMsg returned";
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&message.header));
  EXPECT_EQ(done[0].param2, 0u);
  EXPECT_EQ(done[0].thread, std::this_thread::get_id());
  EXPECT_EQ(message.header.dwFlags & (MHDR_DONE | MHDR_INQUEUE), MHDR_DONE);
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes, message.data);
  EXPECT_EQ(midiOutUnprepareHeader(handle_, &message.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
}

TEST_F(OutputEmulationTest, ALongSendThatMustWaitIsDoneLaterOnAnotherThread) {
  Sim().HoldOutput(device_, true);
  LongMessage message(firmware::ConversationBytes(firmware::kProbeRequest));
  ASSERT_EQ(Send(message), MMSYSERR_NOERROR);
  EXPECT_TRUE(recorder_.CallsOf(MOM_DONE).empty());
  EXPECT_EQ(message.header.dwFlags & MHDR_INQUEUE, MHDR_INQUEUE);

  Sim().HoldOutput(device_, false);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 1));
  const auto done = recorder_.CallsOf(MOM_DONE);
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&message.header));
  EXPECT_NE(done[0].thread, std::this_thread::get_id());
  EXPECT_EQ(Sim().Sent(device_).size(), 1u);
}

TEST_F(OutputEmulationTest, SeveralMessagesGoOutInOrderEachDoneOnce) {
  std::vector<std::unique_ptr<LongMessage>> messages;
  for (BYTE kind = 0; kind < 5; ++kind) {
    messages.push_back(std::make_unique<LongMessage>(std::vector<BYTE>{0xF0, kind, 0xF7}));
    ASSERT_EQ(Send(*messages.back()), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 5));
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 5u);
  for (BYTE kind = 0; kind < 5; ++kind) {
    EXPECT_EQ(sent[kind].bytes[1], kind);
    EXPECT_EQ(recorder_.CallsOf(MOM_DONE)[kind].param1, reinterpret_cast<DWORD_PTR>(&messages[kind]->header));
  }
}

TEST_F(OutputEmulationTest, HeadersMustBePreparedAndFitTheLimit) {
  LongMessage message({0xF0, 0xF7});
  EXPECT_EQ(midiOutLongMsg(handle_, &message.header, sizeof(MIDIHDR)), MIDIERR_UNPREPARED);
  LongMessage oversized(std::vector<BYTE>(kMaxLongMessageLength + 1, 0));
  EXPECT_EQ(midiOutPrepareHeader(handle_, &oversized.header, sizeof(MIDIHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(midiOutLongMsg(nullptr, &message.header, sizeof(MIDIHDR)), MMSYSERR_INVALHANDLE);
}

TEST_F(OutputEmulationTest, CloseIsRefusedWhileMessagesAreInFlightAndResetHandsThemBack) {
  Sim().HoldOutput(device_, true);
  LongMessage first({0xF0, 0x01, 0xF7});
  LongMessage second({0xF0, 0x02, 0xF7});
  ASSERT_EQ(Send(first), MMSYSERR_NOERROR);
  ASSERT_EQ(Send(second), MMSYSERR_NOERROR);

  EXPECT_EQ(midiOutClose(handle_), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiOutUnprepareHeader(handle_, &second.header, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiOutShortMsg(handle_, 0x90), MIDIERR_NOTREADY) << "busy with the long message";
  EXPECT_TRUE(recorder_.CallsOf(MOM_DONE).empty());

  ASSERT_EQ(midiOutReset(handle_), MMSYSERR_NOERROR);
  const auto done = recorder_.CallsOf(MOM_DONE);
  ASSERT_EQ(done.size(), 2u) << "reset returns once every header is reported done";
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&first.header));
  EXPECT_EQ(done[1].param1, reinterpret_cast<DWORD_PTR>(&second.header));
  EXPECT_EQ(done[0].param2, 0u) << "a send a reset ended did not fail";
  EXPECT_EQ(done[1].param2, 0u) << "nor did one it withdrew";
  EXPECT_TRUE(Sim().Sent(device_).empty()) << "nothing was sent";
  EXPECT_EQ(midiOutClose(handle_), MMSYSERR_NOERROR);
  EXPECT_EQ(recorder_.CallsOf(MOM_CLOSE).size(), 1u);
  handle_ = nullptr;
}

TEST_F(OutputEmulationTest, TheDeviceTakesSoManyLongMessagesAtOnceAndRefusesMoreAsBusyUntilOneIsDone) {
  Sim().HoldOutput(device_, true);
  std::vector<std::unique_ptr<LongMessage>> taken;
  for (unsigned i = 0; i < platform::OutputDevice::kMaxLongMessagesInFlight; ++i) {
    taken.push_back(std::make_unique<LongMessage>(std::vector<BYTE>{0xF0, static_cast<BYTE>(i), 0xF7}));
    ASSERT_EQ(Send(*taken.back()), MMSYSERR_NOERROR) << "message " << i;
  }
  LongMessage refused({0xF0, 0x7F, 0xF7});
  EXPECT_EQ(Send(refused), MIDIERR_NOTREADY);
  EXPECT_EQ(refused.header.dwFlags & MHDR_INQUEUE, 0u) << "the device does not hold what it refused";
  EXPECT_EQ(midiOutUnprepareHeader(handle_, &refused.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);

  Sim().HoldOutput(device_, false);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, taken.size()));
  EXPECT_EQ(Send(refused), MMSYSERR_NOERROR) << "room again once they are done";
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, taken.size() + 1));
  EXPECT_EQ(Sim().Sent(device_).size(), taken.size() + 1);
}

TEST_F(OutputEmulationTest, ATransferThatFailsAfterTheCallReturnedCarriesItsFailureInTheCompletion) {
  Faults().FailTransfer(1, MMSYSERR_ERROR);
  LongMessage lost({0xF0, 0x01, 0xF7});
  LongMessage delivered({0xF0, 0x02, 0xF7});
  EXPECT_EQ(Send(lost), MMSYSERR_NOERROR) << "the call itself succeeds";
  EXPECT_EQ(Send(delivered), MMSYSERR_NOERROR);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 2));

  const auto done = recorder_.CallsOf(MOM_DONE);
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&lost.header));
  EXPECT_EQ(done[0].param2, MMSYSERR_ERROR);
  EXPECT_EQ(done[1].param2, 0u) << "the next one went out";
  EXPECT_EQ(lost.header.dwFlags & (MHDR_DONE | MHDR_INQUEUE), MHDR_DONE) << "handed back like any other";
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes, delivered.data);
  EXPECT_EQ(Faults().TransferCount(), 2u);
}

TEST_F(OutputEmulationTest, ADeviceThatGoesAwayWhileAMessageIsOnItsWayFailsThatTransfer) {
  Sim().HoldOutput(device_, true);
  LongMessage message({0xF0, 0x01, 0xF7});
  ASSERT_EQ(Send(message), MMSYSERR_NOERROR);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return Sim().SendsHeld(device_) == 1; }));
  Sim().Remove(device_);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 1));
  EXPECT_EQ(recorder_.CallsOf(MOM_DONE)[0].param2, MIDIERR_NODEVICE);
}

TEST_F(OutputEmulationTest, ShortMessagesGoOutAtOnce) {
  ASSERT_EQ(midiOutShortMsg(handle_, 0x00643C90), MMSYSERR_NOERROR);
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_FALSE(sent[0].isLong);
  EXPECT_EQ(sent[0].shortMessage, 0x00643C90u);
  EXPECT_EQ(recorder_.CallsOf(MOM_OPEN).size(), 1u);
}

TEST_F(OutputEmulationTest, SendsToARemovedDeviceFail) {
  Sim().Remove(device_);
  EXPECT_EQ(midiOutShortMsg(handle_, 0x90), MIDIERR_NODEVICE);
}

TEST_F(OutputEmulationTest, TheDefaultOutputStandsForOutputZero) {
  HMIDIOUT other = nullptr;
  EXPECT_EQ(midiOutOpen(&other, MIDI_MAPPER, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED) << "output 0 is open";
  MIDIOUTCAPSA caps{};
  ASSERT_EQ(midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(caps.wTechnology, MOD_MAPPER);
  EXPECT_STRNE(caps.szPname, "Bass Out");
}

class DefaultOutputWithoutPorts : public testsupport::SimulatedPlatformTest {};

TEST_F(DefaultOutputWithoutPorts, AnswersItsCapabilitiesButCannotOpen) {
  MIDIOUTCAPSA caps{};
  EXPECT_EQ(midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
  HMIDIOUT handle = nullptr;
  EXPECT_EQ(midiOutOpen(&handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL), MIDIERR_NODEVICE);
}

}  // namespace
