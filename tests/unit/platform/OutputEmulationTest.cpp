// The output side of the platform emulation: long sends complete later as MOM_DONE on a thread
// of the device's own, a reset hands back what was not sent, close waits for nothing but refuses
// while headers are in flight.
#include <memory>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/MmSystem.h"
#include "tests/support/CallbackRecorder.h"
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

TEST_F(OutputEmulationTest, ALongSendCompletesLaterAsDoneOnAnotherThread) {
  LongMessage message(firmware::ConversationBytes(firmware::kProbeRequest));
  ASSERT_EQ(Send(message), MMSYSERR_NOERROR);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 1));

  const auto done = recorder_.CallsOf(MOM_DONE);
  EXPECT_EQ(done[0].param1, reinterpret_cast<DWORD_PTR>(&message.header));
  EXPECT_NE(done[0].thread, std::this_thread::get_id());
  EXPECT_EQ(message.header.dwFlags & (MHDR_DONE | MHDR_INQUEUE), MHDR_DONE);
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes, message.data);
  EXPECT_EQ(midiOutUnprepareHeader(handle_, &message.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
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
  EXPECT_TRUE(Sim().Sent(device_).empty()) << "nothing was sent";
  EXPECT_EQ(midiOutClose(handle_), MMSYSERR_NOERROR);
  EXPECT_EQ(recorder_.CallsOf(MOM_CLOSE).size(), 1u);
  handle_ = nullptr;
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
