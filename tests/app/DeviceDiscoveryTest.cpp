// Device discovery: which ports match, which numbers are used, when the pair is opened, and how a
// failing tick leaves things for the next one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "app/DeviceDiscovery.h"
#include "firmware/Conversation.h"
#include "framework/ErrorText.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"

namespace {

using app::DeviceDiscovery;
using platform::PlatformCall;

const std::string kDevice = firmware::kDevicePortName;
const std::string kHeldPortAdvice =
    " Close the other programs that use MIDI: the tool connects to the QLT-1 as soon as its port is free.";

// Each tick is run by hand, as the discovery timer runs it: a failure goes to the exception
// guard, and a tick while the timer is off does nothing.
class DeviceDiscoveryTest : public testsupport::PortTestBase {
 protected:
  DeviceDiscoveryTest() { programmer_.TickOnlyByHand(); }

  void Tick() { testsupport::TickNow(programmer_->DiscoveryTimer()); }
  bool Connected() const { return !programmer_.log.empty() && programmer_.log.back() == ">USB Midi Connected"; }

  testsupport::ProgrammerUnderTest programmer_;
};

// The name's variants: a prefix, a longer number, other case, another number, a part of it.
TEST(DevicePortName, MatchesAsACaseSensitivePartOfTheName) {
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort(kDevice));
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort("3- " + kDevice));
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort(kDevice + "1"));
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort("client:" + kDevice + " MIDI 1"));
  std::string lowerCase = kDevice;
  std::transform(lowerCase.begin(), lowerCase.end(), lowerCase.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  EXPECT_FALSE(DeviceDiscovery::MatchesDevicePort(lowerCase));
  std::string otherNumber = kDevice;
  otherNumber.back() = '3';
  EXPECT_FALSE(DeviceDiscovery::MatchesDevicePort(otherNumber));
  EXPECT_FALSE(DeviceDiscovery::MatchesDevicePort(kDevice.substr(0, kDevice.rfind(' '))));
}

TEST_F(DeviceDiscoveryTest, ConnectsAtTheFirstTickWhenBothPortsArePresent) {
  const auto input = Sim().AddInput(kDevice);
  const auto output = Sim().AddOutput(kDevice);
  Tick();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(programmer_.log.size(), 1u);
  EXPECT_FALSE(programmer_->DiscoveryTimer().Enabled());
  EXPECT_TRUE(programmer_->ProbeTimer().Enabled());
  EXPECT_TRUE(Sim().IsOpen(input));
  EXPECT_TRUE(Sim().IsOpen(output));
  const midi::TMidiInput& port = *programmer_->InputPort();
  EXPECT_EQ(port.Capacity(), 1024);
  EXPECT_EQ(port.SysexBufferCount(), 4096);
  EXPECT_EQ(port.SysexBufferSize(), 4096);
  EXPECT_FALSE(port.SysexOnly());
  EXPECT_EQ(port.FilteredMessages(), (midi::TMidiMsgFilter{midi::msgActiveSensing, midi::msgMidiTimeCode}));
  EXPECT_EQ(programmer_.Owner().ComponentCount(), 4) << "two timers and exactly one port of each kind";
}

TEST_F(DeviceDiscoveryTest, TheLastMatchWinsAndEachDirectionUsesItsOwnNumber) {
  Sim().AddInput("Keyboard");
  const auto firstMatch = Sim().AddInput("1- " + kDevice);
  Sim().AddInput("Synth");
  const auto lastMatch = Sim().AddInput("2- " + kDevice);
  const auto output = Sim().AddOutput(kDevice);
  Tick();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(programmer_->InputPort()->DeviceID(), 3u);
  EXPECT_TRUE(Sim().IsOpen(lastMatch));
  EXPECT_FALSE(Sim().IsOpen(firstMatch));
  EXPECT_EQ(programmer_->OutputPort()->DeviceID(), 0u);
  EXPECT_TRUE(Sim().IsOpen(output));
}

TEST_F(DeviceDiscoveryTest, WaitsSilentlyUntilBothDirectionsAppearThenConnectsWithinATick) {
  Tick();
  Sim().AddOutput(kDevice);
  Tick();
  EXPECT_TRUE(programmer_.log.empty()) << "nothing is logged per tick";
  EXPECT_TRUE(programmer_->DiscoveryTimer().Enabled());
  EXPECT_EQ(programmer_.Owner().ComponentCount(), 4) << "each tick replaces both port objects";
  Sim().AddInput(kDevice);
  Tick();
  EXPECT_TRUE(Connected());
}

TEST_F(DeviceDiscoveryTest, ARefusedOutputOpenIsTriedAgainAtTheNextTick) {
  const auto input = Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Faults().FailNext(PlatformCall::midiOutOpen, MMSYSERR_ALLOCATED);
  Tick();
  EXPECT_TRUE(programmer_.log.empty());
  EXPECT_TRUE(escaped_.empty()) << "a refused output open raises nothing";
  EXPECT_TRUE(programmer_->DiscoveryTimer().Enabled());
  EXPECT_TRUE(Sim().IsOpen(input)) << "the input stays open until the next tick releases it";
  Tick();
  EXPECT_TRUE(Connected());
}

TEST_F(DeviceDiscoveryTest, AFailingTickIsShownAndLeavesTheTimerOn) {
  Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Faults().FailNext(PlatformCall::midiInOpen, MMSYSERR_ALLOCATED);
  Tick();
  ASSERT_EQ(escaped_.size(), 1u);
  EXPECT_EQ(escaped_[0],
            framework::ErrorBoxText(programmer_->InputPort()->ErrorText(MMSYSERR_ALLOCATED)) + kHeldPortAdvice);
  EXPECT_TRUE(programmer_.log.empty());
  EXPECT_TRUE(programmer_->DiscoveryTimer().Enabled());
  EXPECT_FALSE(programmer_->ProbeTimer().Enabled());
  Tick();
  EXPECT_TRUE(Connected());
}

// The advice belongs to a held port alone: any other refusal of the open shows the platform's
// text as it is, at every tick it persists.
TEST_F(DeviceDiscoveryTest, OnlyAHeldInputPortIsShownWithWhatToDo) {
  Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Faults().FailAlways(PlatformCall::midiInOpen, MMSYSERR_NODRIVER);
  Tick();
  Faults().FailAlways(PlatformCall::midiInOpen, MMSYSERR_ALLOCATED);
  Tick();
  Tick();
  const midi::TMidiInput& port = *programmer_->InputPort();
  const std::string held = framework::ErrorBoxText(port.ErrorText(MMSYSERR_ALLOCATED)) + kHeldPortAdvice;
  EXPECT_EQ(escaped_, (std::vector<std::string>{port.ErrorText(MMSYSERR_NODRIVER), held, held}));
  EXPECT_FALSE(Connected());
  Faults().Clear(PlatformCall::midiInOpen);
  Tick();
  EXPECT_TRUE(Connected()) << "once the other program lets go";
}

TEST_F(DeviceDiscoveryTest, APortThatCannotBeCreatedLeavesTheSlotEmpty) {
  Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Tick();
  programmer_->DiscoveryTimer().SetEnabled(true);
  programmer_.log.clear();
  Faults().FailNext(PlatformCall::midiInGetDevCapsA, MMSYSERR_ERROR);
  Tick();
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_EQ(programmer_->InputPort(), nullptr) << "the old port was released, the new one never made";
  EXPECT_EQ(programmer_.Owner().ComponentCount(), 3) << "the timers and the output port";
  Tick();
  EXPECT_TRUE(Connected()) << "the next tick starts over";
}

}  // namespace
