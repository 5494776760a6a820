// The input side of the platform emulation keeps the API's rules: handles, lent buffers used in
// lending order, nothing before start, reset handing everything back, close refused while
// buffers are queued.
#include <cstring>
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
using testing::ElementsAreArray;
using testsupport::CallbackRecorder;

// A header and its data block as a client of the platform would own them.
struct TestBuffer {
  explicit TestBuffer(DWORD size) : data(size) {
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = size;
  }
  std::vector<BYTE> Recorded() const { return {data.begin(), data.begin() + header.dwBytesRecorded}; }
  std::vector<BYTE> data;
  MIDIHDR header{};
};

class InputEmulationTest : public testsupport::SimulatedPlatformTest {
 protected:
  void SetUp() override {
    device_ = Sim().AddInput("Bass In");
    ASSERT_EQ(midiInOpen(&handle_, 0, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
  }

  void TearDown() override {
    if (handle_ == nullptr) return;
    EXPECT_EQ(midiInReset(handle_), MMSYSERR_NOERROR);
    for (auto& buffer : buffers_) midiInUnprepareHeader(handle_, &buffer->header, sizeof(MIDIHDR));
    EXPECT_EQ(midiInClose(handle_), MMSYSERR_NOERROR);
  }

  MIDIHDR& Lend(DWORD size) {
    buffers_.push_back(std::make_unique<TestBuffer>(size));
    MIDIHDR& header = buffers_.back()->header;
    EXPECT_EQ(midiInPrepareHeader(handle_, &header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(midiInAddBuffer(handle_, &header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    return header;
  }

  void Inject(std::vector<BYTE> bytes) {
    Sim().InjectSysex(device_, bytes);
    ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  }

  CallbackRecorder recorder_;
  platform::SimulatedTransport::DeviceId device_{};
  HMIDIIN handle_ = nullptr;
  std::vector<std::unique_ptr<TestBuffer>> buffers_;
};

TEST_F(InputEmulationTest, OpenAndCloseAreReportedThroughTheCallback) {
  EXPECT_EQ(recorder_.CallsOf(MIM_OPEN).size(), 1u);
  ASSERT_EQ(midiInClose(handle_), MMSYSERR_NOERROR);
  EXPECT_EQ(recorder_.CallsOf(MIM_CLOSE).size(), 1u);
  EXPECT_EQ(midiInStart(handle_), MMSYSERR_INVALHANDLE) << "a closed handle is refused";
  handle_ = nullptr;
}

TEST_F(InputEmulationTest, RefusesUnknownHandlesBadNumbersAndOtherCallbackKinds) {
  HMIDIIN other = nullptr;
  EXPECT_EQ(midiInStart(reinterpret_cast<HMIDIIN>(&other)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiInOpen(&other, 1, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(midiInOpen(&other, 0, 0, 0, 0x00010000 /* a window callback */), MMSYSERR_INVALFLAG);
  EXPECT_EQ(midiInOpen(nullptr, 0, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
  EXPECT_EQ(midiInOpen(&other, 0, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED) << "the port is already open";
}

TEST_F(InputEmulationTest, NothingIsDeliveredBeforeStart) {
  Lend(16);
  Sim().InjectShort(device_, 0x643C90);
  Inject({0xF0, 0x01, 0xF7});
  EXPECT_TRUE(recorder_.CallsOf(MIM_DATA).empty());
  EXPECT_TRUE(recorder_.CallsOf(MIM_LONGDATA).empty());

  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  Sim().InjectShort(device_, 0x643C90);
  ASSERT_TRUE(recorder_.WaitFor(MIM_DATA, 1));
  EXPECT_EQ(recorder_.CallsOf(MIM_DATA)[0].param1, 0x643C90u);
  EXPECT_NE(recorder_.CallsOf(MIM_DATA)[0].thread, std::this_thread::get_id()) << "delivered on the driver thread";
}

TEST_F(InputEmulationTest, BuffersAreFilledInLendingOrderAndMarkedDone) {
  MIDIHDR& first = Lend(8);
  MIDIHDR& second = Lend(8);
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  const auto ready = firmware::ConversationBytes(firmware::kReadyReply);
  Inject(ready);
  Inject({0xF0, 0x7E, 0xF7});

  const auto returned = recorder_.CallsOf(MIM_LONGDATA);
  ASSERT_EQ(returned.size(), 2u);
  EXPECT_EQ(returned[0].param1, reinterpret_cast<DWORD_PTR>(&first));
  EXPECT_EQ(returned[1].param1, reinterpret_cast<DWORD_PTR>(&second));
  EXPECT_THAT(buffers_[0]->Recorded(), ElementsAreArray(ready));
  EXPECT_THAT(buffers_[1]->Recorded(), ElementsAre(0xF0, 0x7E, 0xF7));
  EXPECT_EQ(first.dwFlags & (MHDR_DONE | MHDR_INQUEUE | MHDR_PREPARED), MHDR_DONE | MHDR_PREPARED);
}

TEST_F(InputEmulationTest, AMessageLongerThanABufferSpreadsOverSeveral) {
  Lend(4);
  Lend(4);
  Lend(4);
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  Inject({0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7});

  ASSERT_EQ(recorder_.CallsOf(MIM_LONGDATA).size(), 3u);
  EXPECT_THAT(buffers_[0]->Recorded(), ElementsAre(0xF0, 1, 2, 3));
  EXPECT_THAT(buffers_[1]->Recorded(), ElementsAre(4, 5, 6, 7));
  EXPECT_THAT(buffers_[2]->Recorded(), ElementsAre(8, 0xF7));
}

TEST_F(InputEmulationTest, BytesAreLostWhenNoBufferIsLent) {
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  Inject({0xF0, 0x01, 0xF7});
  Lend(8);
  Inject({0xF0, 0x02, 0xF7});

  ASSERT_EQ(recorder_.CallsOf(MIM_LONGDATA).size(), 1u);
  EXPECT_THAT(buffers_[0]->Recorded(), ElementsAre(0xF0, 0x02, 0xF7));
}

TEST_F(InputEmulationTest, AMessageWithoutItsEndByteComesBackAsBroken) {
  Lend(8);
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  Inject({0xF0, 0x01, 0x02});
  ASSERT_EQ(recorder_.CallsOf(MIM_LONGERROR).size(), 1u);
  EXPECT_THAT(buffers_[0]->Recorded(), ElementsAre(0xF0, 0x01, 0x02));
}

// A loss the transport saw reaches the client in its place among the messages, on the driver
// thread, as the emulation's own notice; like any input, only while the device is started.
TEST_F(InputEmulationTest, ALossTheTransportReportsReachesTheClientInOrderOnlyWhileStarted) {
  Sim().InjectLoss(device_);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  EXPECT_TRUE(recorder_.CallsOf(kMimInputLost).empty()) << "not started yet";

  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  Sim().InjectShort(device_, 0x90);
  Sim().InjectLoss(device_);
  Sim().InjectShort(device_, 0x80);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  std::vector<UINT> messages;
  for (const testsupport::CallbackCall& call : recorder_.Calls())
    if (call.message != MIM_OPEN) messages.push_back(call.message);
  EXPECT_THAT(messages, ElementsAre(MIM_DATA, kMimInputLost, MIM_DATA));
  const auto lost = recorder_.CallsOf(kMimInputLost);
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_NE(lost[0].thread, std::this_thread::get_id()) << "reported on the driver thread";

  ASSERT_EQ(midiInStop(handle_), MMSYSERR_NOERROR);
  Sim().InjectLoss(device_);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  EXPECT_EQ(recorder_.CallsOf(kMimInputLost).size(), 1u) << "stopped";
}

TEST_F(InputEmulationTest, ResetHandsEveryQueuedBufferBackAndStopsInput) {
  MIDIHDR& first = Lend(8);
  MIDIHDR& second = Lend(8);
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInClose(handle_), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiInUnprepareHeader(handle_, &first, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);

  ASSERT_EQ(midiInReset(handle_), MMSYSERR_NOERROR);
  const auto returned = recorder_.CallsOf(MIM_LONGDATA);
  ASSERT_EQ(returned.size(), 2u);
  EXPECT_EQ(returned[0].param1, reinterpret_cast<DWORD_PTR>(&first));
  EXPECT_EQ(returned[1].param1, reinterpret_cast<DWORD_PTR>(&second));
  EXPECT_EQ(second.dwBytesRecorded, 0u);

  Sim().InjectShort(device_, 0x90);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  EXPECT_TRUE(recorder_.CallsOf(MIM_DATA).empty()) << "input stops at reset";
  EXPECT_EQ(midiInUnprepareHeader(handle_, &first, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInClose(handle_), MMSYSERR_NOERROR);
  handle_ = nullptr;
}

TEST_F(InputEmulationTest, ResetReturnsAPartlyFilledBufferWithItsBytes) {
  Lend(8);
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  std::vector<BYTE> firstHalf{0xF0, 0x01};
  Sim().InjectSysex(device_, firstHalf);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  ASSERT_EQ(midiInReset(handle_), MMSYSERR_NOERROR);
  ASSERT_FALSE(recorder_.CallsOf(MIM_LONGERROR).empty() && recorder_.CallsOf(MIM_LONGDATA).empty());
  EXPECT_THAT(buffers_[0]->Recorded(), ElementsAre(0xF0, 0x01));
}

TEST_F(InputEmulationTest, HeadersMustBePreparedAndNotLentTwice) {
  TestBuffer buffer(8);
  EXPECT_EQ(midiInAddBuffer(handle_, &buffer.header, sizeof(MIDIHDR)), MIDIERR_UNPREPARED);
  EXPECT_EQ(midiInPrepareHeader(handle_, &buffer.header, sizeof(MIDIHDR) - 1), MMSYSERR_INVALPARAM);
  ASSERT_EQ(midiInPrepareHeader(handle_, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInPrepareHeader(handle_, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR) << "again: no change";
  ASSERT_EQ(midiInAddBuffer(handle_, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInAddBuffer(handle_, &buffer.header, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);
  ASSERT_EQ(midiInReset(handle_), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInUnprepareHeader(handle_, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(buffer.header.dwFlags & MHDR_PREPARED, 0u);
}

TEST_F(InputEmulationTest, TimeStampsCountMillisecondsFromStart) {
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  Sim().InjectShort(device_, 0xF8);
  ASSERT_TRUE(recorder_.WaitFor(MIM_DATA, 1));
  const DWORD_PTR stamp = recorder_.CallsOf(MIM_DATA)[0].param2;
  EXPECT_GE(stamp, 30u);
  EXPECT_LT(stamp, 10000u);
}

TEST_F(InputEmulationTest, ARemovedDeviceDeliversNothingButClosesCleanly) {
  ASSERT_EQ(midiInStart(handle_), MMSYSERR_NOERROR);
  Sim().Remove(device_);
  Sim().InjectShort(device_, 0x90);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  EXPECT_TRUE(recorder_.CallsOf(MIM_DATA).empty());
  EXPECT_EQ(midiInGetNumDevs(), 0u);
}

}  // namespace
