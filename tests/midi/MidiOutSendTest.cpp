// The output port's sends: what reaches the device, every refusal with its message, headers
// released on every path, OnMidiOutput once per message, messages still in flight at close, and
// a message that failed on its way after the send had returned.
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/MidiOut.h"
#include "midi/platform/OutputDevice.h"
#include "tests/support/PortTestBase.h"

namespace {

using midi::TMidiOutput;
using midi::TMidiOutputContext;
using platform::PlatformCall;

constexpr unsigned kDeviceTakes = platform::OutputDevice::kMaxLongMessagesInFlight;

class MidiOutSendTest : public testsupport::PortTestBase {
 protected:
  void SetUp() override {
    device_ = Sim().AddOutput("Bass Out");
    port_ = std::make_unique<TMidiOutput>(&owner_);
    port_->OnMidiOutput = framework::TNotifyEvent(&owner_, [this](framework::TObject* sender) {
      EXPECT_EQ(sender, port_.get());
      ++completions_;
      inFlightAtCompletion_.push_back(port_->MessagesInFlight());
    });
    ASSERT_TRUE(port_->Open());
  }

  void Send(const std::vector<BYTE>& bytes) { port_->SendLongMsg(bytes.data(), static_cast<WORD>(bytes.size())); }

  bool AwaitCompletions(int count) {
    return testsupport::ProcessEventsUntil([&] { return completions_ >= count; });
  }

  platform::SimulatedTransport::DeviceId device_{};
  std::unique_ptr<TMidiOutput> port_;
  int completions_ = 0;
  std::vector<std::size_t> inFlightAtCompletion_;
  const std::vector<BYTE> probe_ = firmware::ConversationBytes(firmware::kProbeRequest);
};

TEST_F(MidiOutSendTest, AShortMessageIsPackedStatusFirst) {
  port_->SendShortMsg(0x90, 0x3C, 0x64);
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].shortMessage, 0x00643C90u);
}

TEST_F(MidiOutSendTest, ALongMessageGoesOutUnchangedAndCompletesOnceAfterItsHeaderIsReleased) {
  Send(probe_);
  EXPECT_EQ(completions_, 0) << "not before the platform reports it done";
  ASSERT_TRUE(AwaitCompletions(1));
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, 1);
  EXPECT_EQ(inFlightAtCompletion_, std::vector<std::size_t>{0});
  EXPECT_EQ(Sim().Sent(device_).at(0).bytes, probe_);
  EXPECT_EQ(BlocksLeaked(), 1u) << "only the port's callback instance";
}

TEST_F(MidiOutSendTest, SeveralMessagesInFlightEachCompleteOnce) {
  for (unsigned i = 0; i < kDeviceTakes; ++i) Send(probe_);
  ASSERT_TRUE(AwaitCompletions(kDeviceTakes));
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, static_cast<int>(kDeviceTakes));
  EXPECT_EQ(Sim().Sent(device_).size(), kDeviceTakes);
  EXPECT_EQ(port_->MessagesInFlight(), 0u);
}

TEST_F(MidiOutSendTest, MessagesQueuedAreThoseThePlatformHoldsNotThoseAwaitingTheirCompletion) {
  Sim().HoldOutput(device_, true);
  Send(probe_);
  Send(probe_);
  EXPECT_EQ(port_->MessagesQueued(), 2u);
  Sim().HoldOutput(device_, false);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (port_->MessagesQueued() > 0 && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(port_->MessagesQueued(), 0u);
  EXPECT_EQ(port_->MessagesInFlight(), 2u) << "their completions still wait in the window";
  ASSERT_TRUE(AwaitCompletions(2));
}

TEST_F(MidiOutSendTest, ARefusalAsBusyIsCountedForTheOpening) {
  Faults().FailNext(PlatformCall::midiOutLongMsg, MMSYSERR_INVALHANDLE);
  EXPECT_NE(RaisedBy([&] { Send(probe_); }), "");
  Sim().HoldOutput(device_, true);
  for (unsigned i = 0; i < kDeviceTakes; ++i) Send(probe_);
  EXPECT_EQ(RaisedBy([&] { Send(probe_); }), "(Long Msg) The hardware is busy with other data.");
  EXPECT_EQ(port_->MessagesInFlight(), kDeviceTakes) << "the refused one is released at once";
  EXPECT_EQ(port_->BusyRefusalCount(), 1u) << "other refusals are not busy ones";

  EXPECT_TRUE(port_->Close());
  ASSERT_TRUE(port_->Open());
  EXPECT_EQ(port_->BusyRefusalCount(), 0u);
}

// A device that answers at once keeps the window from the completions of a driver that finishes
// each message inside the send: the port keeps no more than its bound of headers meanwhile, and
// each message is still reported once, its failure raised.
TEST_F(MidiOutSendTest, CompletionsThatFallBehindTheSendsHoldNoMoreThanTheBound) {
  constexpr unsigned kSends = 3 * TMidiOutput::kMaxMessagesInFlight;
  Faults().FailTransfer(1, MMSYSERR_INVALPARAM);
  for (unsigned i = 0; i < kSends; ++i) {
    Send(probe_);
    EXPECT_LE(port_->MessagesInFlight(), TMidiOutput::kMaxMessagesInFlight);
  }
  EXPECT_EQ(Sim().Sent(device_).size(), kSends - 1);
  EXPECT_EQ(port_->BusyRefusalCount(), 0u);
  ASSERT_TRUE(AwaitCompletions(static_cast<int>(kSends)));
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, static_cast<int>(kSends));
  EXPECT_EQ(port_->MessagesInFlight(), 0u);
  EXPECT_EQ(escaped_, std::vector<std::string>{"(Long Msg) The specified pointer or structure is invalid."});
  EXPECT_EQ(BlocksLeaked(), 1u) << "only the port's callback instance";
}

// The platform reports such a message done like any other; its failure comes with the
// completion, and reaches the window as the send's own error would have.
TEST_F(MidiOutSendTest, AMessageThatFailedOnItsWayRaisesTheSendsErrorOnceItsHeaderIsReleased) {
  Faults().FailTransfer(1, MMSYSERR_INVALPARAM);
  Send(probe_);
  ASSERT_TRUE(AwaitCompletions(1));
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(escaped_, std::vector<std::string>{"(Long Msg) The specified pointer or structure is invalid."});
  EXPECT_EQ(port_->Error(), MMSYSERR_INVALPARAM);
  EXPECT_EQ(completions_, 1);
  EXPECT_EQ(inFlightAtCompletion_, std::vector<std::size_t>{0});
  EXPECT_EQ(BlocksLeaked(), 1u) << "only the port's callback instance";
  EXPECT_TRUE(Sim().Sent(device_).empty());

  Send(probe_);
  ASSERT_TRUE(AwaitCompletions(2));
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(escaped_.size(), 1u) << "the next message went out";
  EXPECT_EQ(Sim().Sent(device_).size(), 1u);
}

TEST_F(MidiOutSendTest, AFailingHandlerOfAFailedMessageDoesNotHideTheSendsError) {
  port_->OnMidiOutput =
      framework::TNotifyEvent(&owner_, [](framework::TObject*) { throw midi::EMidiOutputError("from the handler"); });
  Faults().FailTransfer(1, MIDIERR_NODEVICE);
  Send(probe_);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return escaped_.size() == 2; }));
  EXPECT_EQ(escaped_[0], "from the handler");
  EXPECT_EQ(escaped_[1], port_->ErrorText(MIDIERR_NODEVICE, TMidiOutputContext::LongMessage));
  EXPECT_EQ(port_->MessagesInFlight(), 0u);
}

TEST_F(MidiOutSendTest, SendsOnAClosedPortAreRefusedWithTheirOwnMessages) {
  port_->Close();
  const std::size_t blocks = BlocksLeaked();
  EXPECT_EQ(RaisedBy([&] { port_->SendShortMsg(0x90, 0, 0); }), "(Short Msg) Device not opened.");
  EXPECT_EQ(RaisedBy([&] { Send(probe_); }), "(Long Msg) Device not opened.");
  midi::TMyMidiEvent event;
  EXPECT_EQ(RaisedBy([&] { port_->SendEvent(event); }), "MIDI Output device not open");
  EXPECT_EQ(BlocksLeaked(), blocks) << "nothing allocated";
}

TEST_F(MidiOutSendTest, AnEmptyLongMessageIsRefusedAndAllocatesNothing) {
  const std::size_t blocks = BlocksLeaked();
  EXPECT_EQ(RaisedBy([&] { port_->SendLongMsg(probe_.data(), 0); }),
            "(Long Msg) A System Exclusive message of no bytes cannot be sent.");
  EXPECT_EQ(BlocksLeaked(), blocks);
  EXPECT_TRUE(Sim().Sent(device_).empty());
}

TEST_F(MidiOutSendTest, RefusedSendsRaiseTheirContextsTextAndReleaseTheHeader) {
  const std::size_t blocks = BlocksLeaked();
  Faults().FailNext(PlatformCall::midiOutShortMsg, MIDIERR_NOTREADY);
  EXPECT_EQ(RaisedBy([&] { port_->SendShortMsg(0x90, 0, 0); }), "(Short Msg) The hardware is busy with other data.");
  EXPECT_EQ(port_->Error(), MIDIERR_NOTREADY);

  Faults().FailNext(PlatformCall::midiOutPrepareHeader, MMSYSERR_NOMEM);
  EXPECT_EQ(RaisedBy([&] { Send(probe_); }), "(Prep Header) The system is unable to allocate or lock memory.");
  EXPECT_EQ(port_->Error(), MMSYSERR_NOMEM);
  EXPECT_EQ(BlocksLeaked(), blocks);

  Faults().FailNext(PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY);
  EXPECT_EQ(RaisedBy([&] { Send(probe_); }), "(Long Msg) The hardware is busy with other data.");
  EXPECT_EQ(BlocksLeaked(), blocks);
  EXPECT_EQ(port_->MessagesInFlight(), 0u);

  Faults().FailNext(PlatformCall::GlobalAlloc, MMSYSERR_NOMEM);
  EXPECT_NE(RaisedBy([&] { Send(probe_); }), "") << "no memory for the header";
  EXPECT_EQ(BlocksLeaked(), blocks);
  EXPECT_TRUE(port_->Close()) << "the platform holds none of the refused messages, or it would refuse to close";
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, 0);
  EXPECT_TRUE(Sim().Sent(device_).empty());
}

TEST_F(MidiOutSendTest, SendEventChoosesTheSendByItsBytes) {
  midi::TMyMidiEvent note;
  note.StatusByte = 0x80;
  note.DataByte1 = 0x3C;
  port_->SendEvent(note);
  midi::TMyMidiEvent sysex;
  sysex.SysexByteCount = static_cast<WORD>(probe_.size());
  sysex.SysexBytes = std::make_unique<BYTE[]>(probe_.size());
  std::copy(probe_.begin(), probe_.end(), sysex.SysexBytes.get());
  port_->SendEvent(sysex);
  ASSERT_TRUE(AwaitCompletions(1));
  const auto sent = Sim().Sent(device_);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].shortMessage, 0x3C80u);
  EXPECT_EQ(sent[1].bytes, probe_);
}

// Whether a message still in flight went out before the reset took it back is the platform's to
// know, not the port's: each one is reported once, after Close has returned.
TEST_F(MidiOutSendTest, ClosingWithMessagesInFlightTakesThemBackAndReportsEachOnceAfterwards) {
  Sim().HoldOutput(device_, true);
  Send(probe_);
  Send(probe_);
  EXPECT_TRUE(port_->Close());
  EXPECT_EQ(port_->MessagesInFlight(), 0u);
  EXPECT_EQ(BlocksLeaked(), 1u) << "only the callback instance";
  EXPECT_EQ(completions_, 0) << "not from inside Close";
  ASSERT_TRUE(
      testsupport::ProcessPendingEvents());  // Close returns once the platform has posted every notice it had to give
  EXPECT_EQ(completions_, 2) << "the platform's own late notices add none";

  ASSERT_TRUE(port_->Open());
  Sim().HoldOutput(device_, false);
  Send(probe_);
  ASSERT_TRUE(AwaitCompletions(3));
  EXPECT_EQ(Sim().Sent(device_).size(), 1u);
}

TEST_F(MidiOutSendTest, AMessageCompletedBeforeCloseIsStillReportedOnce) {
  Send(probe_);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return Sim().Sent(device_).size() == 1; }));
  EXPECT_TRUE(port_->Close());
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, 1);
}

// The handler runs once the port is closed and Close has returned, so its failing send is its own
// failure, shown through the guard, not Close's.
TEST_F(MidiOutSendTest, AHandlerThatSendsWhenCloseReportsACompletionDoesNotMakeCloseFail) {
  port_->OnMidiOutput = framework::TNotifyEvent(&owner_, [this](framework::TObject*) {
    ++completions_;
    Send(probe_);
  });
  Sim().HoldOutput(device_, true);
  Send(probe_);
  EXPECT_EQ(RaisedBy([&] { EXPECT_TRUE(port_->Close()); }), "");
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(completions_, 1);
  EXPECT_EQ(escaped_, std::vector<std::string>{"(Long Msg) Device not opened."});
}

TEST_F(MidiOutSendTest, DestroyingAPortWithMessagesInFlightRaisesNothingAndLeavesNothing) {
  Sim().HoldOutput(device_, true);
  Send(probe_);
  port_.reset();
  EXPECT_TRUE(escaped_.empty());
  EXPECT_FALSE(Sim().IsOpen(device_));
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(BlocksLeaked(), 0u);
  EXPECT_EQ(completions_, 0);
}

TEST_F(MidiOutSendTest, AFailingCloseAtDestructionIsShownAndTheDeviceStillCloses) {
  Faults().FailNext(PlatformCall::midiOutClose, MMSYSERR_ERROR);
  port_.reset();
  ASSERT_EQ(escaped_.size(), 1u);
  EXPECT_FALSE(Sim().IsOpen(device_));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

}  // namespace
