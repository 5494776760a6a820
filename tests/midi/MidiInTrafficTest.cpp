// The input port opened, receiving, overflowing and closed; every failure of Open, Close and
// TakeEvent with its message and what it leaves behind.
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/MidiIn.h"
#include "midi/PortMessages.h"
#include "tests/support/PortTestAccess.h"
#include "tests/support/PortTestBase.h"

namespace {

using midi::PortTestAccess;
using midi::TMidiInput;
using midi::TMyMidiEvent;
using platform::PlatformCall;
using testing::ElementsAreArray;

std::vector<BYTE> Sysex(std::initializer_list<BYTE> body) {
  std::vector<BYTE> message{0xF0};
  for (BYTE byte : body) message.push_back(byte);
  message.push_back(0xF7);
  return message;
}

std::vector<BYTE> BytesOf(const TMyMidiEvent& event) {
  return {event.SysexBytes.get(), event.SysexBytes.get() + event.SysexByteCount};
}

class MidiInTrafficTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override { device_ = Sim().AddInput("Bass In"); }

  // An open, started port whose OnMidiInput takes every waiting event into events_.
  std::unique_ptr<TMidiInput> OpenPort(WORD buffers = 4, WORD bufferSize = 16, WORD capacity = 64) {
    auto port = std::make_unique<TMidiInput>(&owner_);
    port->SetSysexBufferCount(buffers);
    port->SetSysexBufferSize(bufferSize);
    port->SetCapacity(capacity);
    port->OnMidiInput = framework::TNotifyEvent(&owner_, [this, raw = port.get()](framework::TObject*) {
      ++notifications_;
      while (raw->PendingEventCount() > 0) events_.push_back(raw->TakeEvent());
    });
    port->OnOverflow = framework::TNotifyEvent(&owner_, [this](framework::TObject*) { ++overflows_; });
    port->Open();
    port->Start();
    return port;
  }

  void Receive(const std::vector<BYTE>& message) { Sim().InjectSysex(device_, message); }

  // Delivers everything injected so far to the port's handlers.
  void Settle() {
    ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
    ASSERT_TRUE(testsupport::ProcessPendingEvents());
  }

  platform::SimulatedTransport::DeviceId device_{};
  std::vector<std::unique_ptr<TMyMidiEvent>> events_;
  int notifications_ = 0;
  int overflows_ = 0;
};

TEST_F(MidiInTrafficTest, AShortMessageComesOutAsItsThreeBytesAndTimeStamp) {
  auto port = OpenPort();
  Sim().InjectShort(device_, 0x643C90);
  Settle();
  ASSERT_EQ(events_.size(), 1u);
  const TMyMidiEvent& event = *events_[0];
  EXPECT_EQ(event.StatusByte, 0x90);
  EXPECT_EQ(event.DataByte1, 0x3C);
  EXPECT_EQ(event.DataByte2, 0x64);
  EXPECT_LT(event.TimeStamp, 10000u);
  EXPECT_EQ(event.SysexByteCount, 0);
  EXPECT_EQ(event.SysexBytes, nullptr);
}

TEST_F(MidiInTrafficTest, ASysexMessageComesOutWholeAndItsBufferGoesBackToTheDevice) {
  auto port = OpenPort(1);
  const auto reply = firmware::ConversationBytes(firmware::kReadyReply);
  Receive(reply);
  Settle();
  Receive(reply);
  Settle();
  ASSERT_EQ(events_.size(), 2u) << "the only buffer was lent again";
  for (const auto& event : events_) {
    EXPECT_EQ(event->StatusByte, 0xF0);
    EXPECT_EQ(event->DataByte1, 0);
    EXPECT_EQ(event->DataByte2, 0);
    EXPECT_THAT(BytesOf(*event), ElementsAreArray(reply));
  }
}

TEST_F(MidiInTrafficTest, AMessageLongerThanABufferComesOutAsSeveralEvents) {
  auto port = OpenPort(4, 4);
  Receive(Sysex({1, 2, 3, 4, 5, 6, 7, 8}));
  Settle();
  ASSERT_EQ(events_.size(), 3u);
  EXPECT_THAT(BytesOf(*events_[0]), ElementsAreArray({0xF0, 1, 2, 3}));
  EXPECT_THAT(BytesOf(*events_[1]), ElementsAreArray({4, 5, 6, 7}));
  EXPECT_THAT(BytesOf(*events_[2]), ElementsAreArray({8, 0xF7}));
}

TEST_F(MidiInTrafficTest, FiltersFollowThePortsSettings) {
  auto port = OpenPort();
  Sim().InjectShort(device_, 0xF8);
  Sim().InjectShort(device_, 0xFE);
  Sim().InjectShort(device_, 0xF1);
  Settle();
  port->SetFilteredMessages({});
  Sim().InjectShort(device_, 0xF8);
  Settle();
  port->SetSysexOnly(true);
  Sim().InjectShort(device_, 0x90);
  Receive(Sysex({0x01}));
  Settle();
  ASSERT_EQ(events_.size(), 3u);
  EXPECT_EQ(events_[0]->StatusByte, 0xF1);
  EXPECT_EQ(events_[1]->StatusByte, 0xF8);
  EXPECT_EQ(events_[2]->StatusByte, 0xF0);
}

TEST_F(MidiInTrafficTest, AnOverflowIsReportedOnceAndThePoolStaysWhole) {
  auto port = OpenPort(4, 16, 2);
  for (BYTE i = 0; i < 3; ++i) Receive(Sysex({i}));  // the window thread takes nothing meanwhile
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  Settle();
  EXPECT_EQ(overflows_, 1);
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[0]->SysexBytes[1], 0);
  EXPECT_EQ(events_[1]->SysexBytes[1], 1);

  events_.clear();
  for (BYTE round = 0; round < 3; ++round) {
    for (BYTE i = 0; i < 2; ++i) Receive(Sysex({static_cast<BYTE>(0x10 + i)}));
    Settle();
  }
  EXPECT_EQ(events_.size(), 6u) << "all four buffers still circulate";
  EXPECT_EQ(overflows_, 1);
}

// An event whose own notice found the window's queue full must not wait for a notice that never
// comes: any later notice reports it.
TEST_F(MidiInTrafficTest, AnEventWhoseNoticeFoundTheWindowsQueueFullIsStillDelivered) {
  auto port = OpenPort();
  for (std::uint32_t i = 0; i < framework::kMessageQueueCapacity; ++i)
    ASSERT_TRUE(framework::PostMessageA(PortTestAccess::Window(*port), midi::kRingOverflow, 0, 0));
  Sim().InjectShort(device_, 0x643C90);
  Settle();
  EXPECT_EQ(overflows_, 0) << "a notice alone is no loss";
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0]->StatusByte, 0x90);
}

// Short messages flooding a full ring, while the window thread takes nothing, are each reported
// as an overflow, and still leave the window's queue room for other notices.
TEST_F(MidiInTrafficTest, AFloodOfLostShortMessagesIsCountedWholeWithoutFillingTheWindowsQueue) {
  constexpr int kFlood = int{framework::kMessageQueueCapacity} + 100;
  constexpr WORD kCapacity = 8;
  constexpr std::uint32_t kNoticeTheInputIgnores = framework::kFirstUserMessage + 0x100;
  auto port = OpenPort(4, 16, kCapacity);
  for (int i = 0; i < kFlood; ++i) Sim().InjectShort(device_, 0x643C90);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  EXPECT_TRUE(framework::PostMessageA(PortTestAccess::Window(*port), kNoticeTheInputIgnores, 0, 0));
  Settle();
  EXPECT_EQ(overflows_, kFlood - kCapacity);
  EXPECT_EQ(events_.size(), std::size_t{kCapacity});
}

TEST_F(MidiInTrafficTest, AFailedLendKeepsTheBytesForTheNextTake) {
  auto port = OpenPort();
  port->OnMidiInput = {};
  Receive(Sysex({0x42}));
  Settle();
  ASSERT_EQ(port->PendingEventCount(), 1);
  Faults().FailNext(PlatformCall::midiInAddBuffer, MMSYSERR_NOMEM);
  EXPECT_EQ(RaisedBy([&] { port->TakeEvent(); }), port->ErrorText(MMSYSERR_NOMEM));
  EXPECT_EQ(port->Error(), MMSYSERR_NOMEM);
  ASSERT_EQ(port->PendingEventCount(), 1) << "the item stays";
  const auto event = port->TakeEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_THAT(BytesOf(*event), ElementsAreArray(Sysex({0x42})));
  EXPECT_EQ(port->PendingEventCount(), 0);
}

// Whatever a handler sends in answer to an event goes out before the event's buffer is lent again,
// as long as the device keeps half its pool. One the device then refuses is raised with the
// platform's text, its bytes already delivered, and the port lends it at its next call, here once
// the handler has returned.
TEST_F(MidiInTrafficTest, BuffersTakenDuringTheNoticeAreLentAgainOnceTheirEventsAreHandled) {
  auto port = OpenPort(4);
  const auto lent = [this, base = Faults().CallCount(PlatformCall::midiInAddBuffer)] {
    return Faults().CallCount(PlatformCall::midiInAddBuffer) - base;
  };
  unsigned lentInHandler = 0;
  std::string raised;
  port->OnMidiInput = framework::TNotifyEvent(&owner_, [&, raw = port.get()](framework::TObject*) {
    while (raw->PendingEventCount() > 0) events_.push_back(raw->TakeEvent());
    lentInHandler = lent();
    raised = RaisedBy([raw] { raw->LendTakenAgain(); });
  });
  for (BYTE body = 0x40; body < 0x43; ++body) Receive(Sysex({body}));
  Settle();
  ASSERT_EQ(events_.size(), 3u);
  EXPECT_EQ(lentInHandler, 1u) << "two of four wait for the handler's end";
  EXPECT_EQ(lent(), 3u);
  EXPECT_EQ(raised, "");

  Faults().FailNext(PlatformCall::midiInAddBuffer, MMSYSERR_NOMEM);
  Receive(Sysex({0x43}));
  Settle();
  EXPECT_EQ(raised, port->ErrorText(MMSYSERR_NOMEM));
  ASSERT_EQ(events_.size(), 4u);
  EXPECT_THAT(BytesOf(*events_[3]), ElementsAreArray(Sysex({0x43})));
  for (BYTE body = 0x44; body < 0x48; ++body) Receive(Sysex({body}));
  Settle();
  EXPECT_EQ(events_.size(), 8u) << "every buffer lent again";
}

TEST_F(MidiInTrafficTest, TheInstanceIsReusedAndTheRingStartsEmptyAfterReopening) {
  auto port = OpenPort();
  port->OnMidiInput = {};
  Sim().InjectShort(device_, 0x90);
  Settle();
  const midi::CallbackInstance* instance = PortTestAccess::Instance(*port);
  port->Close();
  EXPECT_EQ(port->State(), midi::mpsClosed);
  EXPECT_EQ(PortTestAccess::Instance(*port), instance);
  EXPECT_EQ(PortTestAccess::EventBuffer(*port), nullptr);
  port->Open();
  EXPECT_EQ(PortTestAccess::Instance(*port), instance);
  EXPECT_EQ(port->PendingEventCount(), 0);
  port.reset();
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(MidiInTrafficTest, EventsAfterCloseAreNotReported) {
  auto port = OpenPort();
  Sim().InjectShort(device_, 0x90);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device_));
  port->Close();
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(notifications_, 0);
  EXPECT_EQ(port->TakeEvent(), nullptr);
}

TEST_F(MidiInTrafficTest, OpeningAnOpenPortLeavesItExactlyAsItWas) {
  auto port = OpenPort(1);
  const midi::CircularEventBuffer* ring = PortTestAccess::EventBuffer(*port);
  EXPECT_EQ(RaisedBy([&] { port->Open(); }), "");
  EXPECT_EQ(port->State(), midi::mpsOpen);
  EXPECT_EQ(PortTestAccess::EventBuffer(*port), ring);
  EXPECT_TRUE(Sim().IsOpen(device_));
  Receive(Sysex({0x42}));
  Settle();
  ASSERT_EQ(events_.size(), 1u) << "the device still has its one buffer";
  port.reset();
  EXPECT_FALSE(Sim().IsOpen(device_));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

// The port is marked closed but still holds its device: opening it finishes that close first.
TEST_F(MidiInTrafficTest, OpeningAfterACloseThatFailedAtItsResetFinishesThatCloseFirst) {
  auto port = OpenPort();
  Faults().FailNext(PlatformCall::midiInReset, MMSYSERR_ERROR);
  EXPECT_NE(RaisedBy([&] { port->Close(); }), "");
  EXPECT_EQ(RaisedBy([&] { port->Open(); }), "");
  port->Start();
  Receive(Sysex({0x42}));
  Settle();
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_THAT(BytesOf(*events_[0]), ElementsAreArray(Sysex({0x42})));
  port.reset();
  EXPECT_FALSE(Sim().IsOpen(device_));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

struct OpenFault {
  PlatformCall call;
  unsigned nth;
};

// Without it the case names would carry the record's padding bytes, which change from build to
// build.
void PrintTo(const OpenFault& fault, std::ostream* out) {
  *out << "call " << static_cast<int>(fault.call) << " failing on its use number " << fault.nth;
}

class MidiInOpenFailureTest : public MidiInTrafficTest, public testing::WithParamInterface<OpenFault> {};

// Whatever step of Open fails, the platform's text is raised, the port stays closed with the
// code in Error, the device is closed again and nothing stays allocated.
TEST_P(MidiInOpenFailureTest, LeavesThePortClosedAndNothingAllocated) {
  TMidiInput port(&owner_);
  port.SetSysexBufferCount(3);
  Faults().FailOnCall(GetParam().call, GetParam().nth, MMSYSERR_NOMEM);
  const std::string raised = RaisedBy([&] { port.Open(); });
  EXPECT_FALSE(raised.empty());
  EXPECT_EQ(port.State(), midi::mpsClosed);
  EXPECT_EQ(PortTestAccess::Instance(port), nullptr);
  EXPECT_EQ(PortTestAccess::EventBuffer(port), nullptr);
  EXPECT_FALSE(Sim().IsOpen(device_));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachStep, MidiInOpenFailureTest,
                         testing::Values(OpenFault{PlatformCall::GlobalAlloc, 1},
                                         OpenFault{PlatformCall::GlobalAlloc, 3},
                                         OpenFault{PlatformCall::GlobalLock, 2}, OpenFault{PlatformCall::midiInOpen, 1},
                                         OpenFault{PlatformCall::GlobalAlloc, 5},
                                         OpenFault{PlatformCall::midiInPrepareHeader, 2},
                                         OpenFault{PlatformCall::midiInAddBuffer, 3}));

TEST_F(MidiInTrafficTest, APlatformRefusalOfOpenRaisesItsTextAndKeepsTheCode) {
  TMidiInput port(&owner_);
  Faults().FailNext(PlatformCall::midiInOpen, MMSYSERR_ALLOCATED);
  EXPECT_EQ(RaisedBy([&] { port.Open(); }), port.ErrorText(MMSYSERR_ALLOCATED));
  EXPECT_EQ(port.Error(), MMSYSERR_ALLOCATED);
  Faults().FailNext(PlatformCall::midiInGetErrorTextA, MMSYSERR_BADERRNUM);
  EXPECT_EQ(port.ErrorText(MMSYSERR_ALLOCATED), "Specified error number is out of range");
}

TEST_F(MidiInTrafficTest, ACapacityOutsideTheRingsRangeIsRefused) {
  TMidiInput port(&owner_);
  const std::string range =
      "MIDI input Capacity 0 is outside 1 to " + std::to_string(midi::kMaxRingCapacity) + " events";
  port.SetCapacity(0);
  EXPECT_EQ(RaisedBy([&] { port.Open(); }), range);
  port.SetCapacity(static_cast<WORD>(midi::kMaxRingCapacity + 1));
  EXPECT_NE(RaisedBy([&] { port.Open(); }), "");
  EXPECT_EQ(port.State(), midi::mpsClosed);
  EXPECT_FALSE(Sim().IsOpen(device_));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(MidiInTrafficTest, ARefusedResetOrCloseIsRaisedWithThePortAlreadyClosed) {
  auto port = OpenPort();
  Faults().FailNext(PlatformCall::midiInReset, MMSYSERR_ERROR);
  EXPECT_EQ(RaisedBy([&] { port->Close(); }), port->ErrorText(MMSYSERR_ERROR));
  EXPECT_EQ(port->State(), midi::mpsClosed);
  EXPECT_TRUE(Sim().IsOpen(device_)) << "the remaining steps are not done";
  port.reset();
  EXPECT_FALSE(Sim().IsOpen(device_)) << "destruction still closes the device";
  EXPECT_EQ(BlocksLeaked(), 0u);

  port = OpenPort();
  Faults().FailNext(PlatformCall::midiInClose, MMSYSERR_ERROR);
  EXPECT_EQ(RaisedBy([&] { port->Close(); }), port->ErrorText(MMSYSERR_ERROR));
  port.reset();
  EXPECT_FALSE(Sim().IsOpen(device_));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

}  // namespace
