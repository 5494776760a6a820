// The port layer on the system's own MIDI services (winmm), looped back through the kernel's
// "Midi Through" port: what goes out of the output port comes back into the input port. Runs
// under wine in the guest that has the ALSA sequencer; wine names the port "Midi Through" and
// something after it.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "framework/Component.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "tests/support/EventLoop.h"

namespace {

using midi::TMidiInput;
using midi::TMidiOutput;
using midi::TMyMidiEvent;

constexpr const char* kThrough = "Midi Through";
using firmware::kBlockLength;

template <typename Caps, typename GetCaps>
std::optional<std::string> FirstThroughPort(UINT count, GetCaps getCaps) {
  for (UINT device = 0; device < count; ++device) {
    Caps caps{};
    if (getCaps(device, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    if (std::string(caps.szPname).find(kThrough) != std::string::npos) return std::string(caps.szPname);
  }
  return std::nullopt;
}

std::vector<BYTE> Sysex(std::size_t length, BYTE seed) {
  std::vector<BYTE> message(length);
  message.front() = 0xF0;
  for (std::size_t i = 1; i + 1 < length; ++i) message[i] = static_cast<BYTE>((seed + i * 7) & 0x7F);
  message.back() = 0xF7;
  return message;
}

std::vector<BYTE> BytesOf(const TMyMidiEvent& event) {
  return {event.SysexBytes.get(), event.SysexBytes.get() + event.SysexByteCount};
}

class PortLoopbackTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto inputName = FirstThroughPort<MIDIINCAPSA>(
        midiInGetNumDevs(), [](UINT d, MIDIINCAPSA* c, UINT s) { return midiInGetDevCapsA(d, c, s); });
    const auto outputName = FirstThroughPort<MIDIOUTCAPSA>(
        midiOutGetNumDevs(), [](UINT d, MIDIOUTCAPSA* c, UINT s) { return midiOutGetDevCapsA(d, c, s); });
    ASSERT_TRUE(inputName && outputName) << "no \"" << kThrough << "\" port among the system's MIDI devices";
    output_ = std::make_unique<TMidiOutput>(&owner_);
    output_->SetProductName(*outputName);
    output_->OnMidiOutput = framework::TNotifyEvent(&owner_, [this](framework::TObject*) { ++completions_; });
    input_ = std::make_unique<TMidiInput>(&owner_);
    input_->SetProductName(*inputName);
    input_->OnMidiInput = framework::TNotifyEvent(&owner_, [this](framework::TObject*) {
      while (input_->PendingEventCount() > 0) events_.push_back(input_->TakeEvent());
    });
  }

  void OpenBoth(WORD sysexBuffers = 16, WORD sysexBufferSize = 4096) {
    input_->SetSysexBufferCount(sysexBuffers);
    input_->SetSysexBufferSize(sysexBufferSize);
    input_->Open();
    input_->Start();
    ASSERT_TRUE(output_->Open()) << "the output refused to open: error " << output_->Error();
  }

  bool WaitForEvents(std::size_t count) {
    return testsupport::ProcessEventsUntil([&] { return events_.size() >= count; }, std::chrono::seconds(20));
  }

  framework::TComponent owner_{nullptr};
  std::unique_ptr<TMidiOutput> output_;
  std::unique_ptr<TMidiInput> input_;
  std::vector<std::unique_ptr<TMyMidiEvent>> events_;
  int completions_ = 0;
};

TEST_F(PortLoopbackTest, ASysexMessageGoesOutAndComesBackWholeAndEveryBufferIsHandedBack) {
  OpenBoth();
  std::vector<std::vector<BYTE>> sent;
  for (BYTE seed = 0; seed < 5; ++seed) {
    sent.push_back(Sysex(kBlockLength, seed));
    output_->SendLongMsg(sent.back().data(), static_cast<WORD>(sent.back().size()));
    ASSERT_TRUE(WaitForEvents(sent.size())) << "message " << int(seed) << " did not come back";
  }
  ASSERT_EQ(events_.size(), sent.size());
  for (std::size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(BytesOf(*events_[i]), sent[i]) << "message " << i;
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return completions_ == 5; }, std::chrono::seconds(10)));
  EXPECT_EQ(output_->MessagesInFlight(), 0u);
}

TEST_F(PortLoopbackTest, ShortMessagesComeBackInTheOrderTheyWentOut) {
  OpenBoth();
  constexpr int kNotes = 100;
  for (int note = 0; note < kNotes; ++note) output_->SendShortMsg(0x90, static_cast<BYTE>(note), 0x40);
  ASSERT_TRUE(WaitForEvents(kNotes));
  ASSERT_EQ(events_.size(), static_cast<std::size_t>(kNotes));
  for (int note = 0; note < kNotes; ++note) {
    EXPECT_EQ(events_[note]->StatusByte, 0x90);
    EXPECT_EQ(events_[note]->DataByte1, note);
    EXPECT_EQ(events_[note]->DataByte2, 0x40);
    EXPECT_EQ(events_[note]->SysexBytes, nullptr);
  }
}

// Three buffers carry twelve messages only if each comes back and is lent again.
TEST_F(PortLoopbackTest, LentBuffersComeBackAndAreLentAgain) {
  OpenBoth(3, 4096);
  constexpr int kMessages = 12;
  for (int i = 0; i < kMessages; ++i) {
    const std::vector<BYTE> message = Sysex(kBlockLength, static_cast<BYTE>(i));
    output_->SendLongMsg(message.data(), static_cast<WORD>(message.size()));
    ASSERT_TRUE(WaitForEvents(static_cast<std::size_t>(i) + 1)) << "message " << i << " did not come back";
    EXPECT_EQ(BytesOf(*events_.back()), message);
  }
  input_->Close();
  EXPECT_EQ(input_->State(), midi::mpsClosed);
  input_->Open();
  EXPECT_EQ(input_->State(), midi::mpsOpen) << "the buffers of the first opening were not all handed back";
}

TEST_F(PortLoopbackTest, ClosingWithMessagesInFlightTakesThemBackAndReportsEach) {
  OpenBoth();
  constexpr int kMessages = 8;
  for (int i = 0; i < kMessages; ++i) {
    const std::vector<BYTE> message = Sysex(kBlockLength, static_cast<BYTE>(i));
    output_->SendLongMsg(message.data(), static_cast<WORD>(message.size()));
  }
  EXPECT_TRUE(output_->Close());
  EXPECT_EQ(output_->MessagesInFlight(), 0u);
  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return completions_ == kMessages; }, std::chrono::seconds(10)))
      << completions_ << " of " << kMessages << " messages reported";
  // Whatever came back before the close is whole. The reset sends short messages of its own: only
  // notes off and controllers (all notes off, sustain off), never anything the device could
  // take for a System Exclusive message. The input closes with its buffers still lent.
  for (const auto& event : events_) {
    if (event->SysexBytes != nullptr) {
      EXPECT_EQ(event->SysexByteCount, kBlockLength);
    } else {
      const BYTE kind = event->StatusByte & 0xF0;
      EXPECT_TRUE(kind == 0x80 || kind == 0xB0)
          << "the reset sent status " << int(event->StatusByte) << " " << int(event->DataByte1);
    }
  }
  input_->Close();
  EXPECT_EQ(input_->State(), midi::mpsClosed);
  EXPECT_TRUE(output_->Open()) << "the output could not be opened again: error " << output_->Error();
}

}  // namespace
