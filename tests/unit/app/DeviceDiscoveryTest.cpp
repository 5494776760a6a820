// Device discovery: which ports match, which numbers are used, when the pair is opened, and how a
// failing tick leaves things for the next one.
#include <gtest/gtest.h>

#include "app/DeviceDiscovery.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerTestWindow.h"

namespace {

using app::DeviceDiscovery;
using platform::PlatformCall;

constexpr const char* kDevice = "QZ Korvalith port 2";

class DeviceDiscoveryTest : public testsupport::PortTestBase {
 protected:
  DeviceDiscoveryTest() { window_.Timer1().SetEnabled(true); }

  // A tick as the timer runs it: a failure goes to the exception guard.
  void Tick() { framework::RunGuarded([this] { discovery_.Timer1Timer(); }); }
  bool Connected() const { return !window_.log.empty() && window_.log.back() == ">USB Midi Connected"; }

  testsupport::ProgrammerTestWindow window_;
  DeviceDiscovery discovery_{window_};
};

TEST(DevicePortName, MatchesAsACaseSensitivePartOfTheName) {
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort("QZ Korvalith port 2"));
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort("3- QZ Korvalith port 2"));
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort("QZ Korvalith port 21"));
  EXPECT_TRUE(DeviceDiscovery::MatchesDevicePort("client:QZ Korvalith port 2 MIDI 1"));
  EXPECT_FALSE(DeviceDiscovery::MatchesDevicePort("qz korvalith port 2"));
  EXPECT_FALSE(DeviceDiscovery::MatchesDevicePort("QZ Korvalith port 3"));
  EXPECT_FALSE(DeviceDiscovery::MatchesDevicePort("QZ Korvalith"));
}

TEST_F(DeviceDiscoveryTest, ConnectsAtTheFirstTickWhenBothPortsArePresent) {
  const auto input = Sim().AddInput(kDevice);
  const auto output = Sim().AddOutput(kDevice);
  Tick();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(window_.log.size(), 1u);
  EXPECT_FALSE(window_.Timer1().Enabled());
  EXPECT_TRUE(window_.ProgramTimer().Enabled());
  EXPECT_TRUE(Sim().IsOpen(input));
  EXPECT_TRUE(Sim().IsOpen(output));
  const midi::TMidiInput& port = *window_.MidiInput1();
  EXPECT_EQ(port.Capacity(), 1024);
  EXPECT_EQ(port.SysexBufferCount(), 4096);
  EXPECT_EQ(port.SysexBufferSize(), 4096);
  EXPECT_FALSE(port.SysexOnly());
  EXPECT_EQ(port.FilteredMessages(), (midi::TMidiMsgFilter{midi::msgActiveSensing, midi::msgMidiTimeCode}));
  EXPECT_EQ(window_.PortOwner()->ComponentCount(), 4) << "two timers and exactly one port of each kind";
}

TEST_F(DeviceDiscoveryTest, TheLastMatchWinsAndEachDirectionUsesItsOwnNumber) {
  Sim().AddInput("Keyboard");
  const auto firstMatch = Sim().AddInput(std::string("1- ") + kDevice);
  Sim().AddInput("Synth");
  const auto lastMatch = Sim().AddInput(std::string("2- ") + kDevice);
  const auto output = Sim().AddOutput(kDevice);
  Tick();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(window_.MidiInput1()->DeviceID(), 3u);
  EXPECT_TRUE(Sim().IsOpen(lastMatch));
  EXPECT_FALSE(Sim().IsOpen(firstMatch));
  EXPECT_EQ(window_.MidiOutput1()->DeviceID(), 0u);
  EXPECT_TRUE(Sim().IsOpen(output));
}

TEST_F(DeviceDiscoveryTest, WaitsSilentlyUntilBothDirectionsAppearThenConnectsWithinATick) {
  Tick();
  Sim().AddOutput(kDevice);
  Tick();
  EXPECT_TRUE(window_.log.empty()) << "nothing is logged per tick";
  EXPECT_TRUE(window_.Timer1().Enabled());
  EXPECT_EQ(window_.PortOwner()->ComponentCount(), 4) << "each tick replaces both port objects";
  Sim().AddInput(kDevice);
  Tick();
  EXPECT_TRUE(Connected());
}

TEST_F(DeviceDiscoveryTest, ARefusedOutputOpenIsTriedAgainAtTheNextTick) {
  const auto input = Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Faults().FailNext(PlatformCall::midiOutOpen, MMSYSERR_ALLOCATED);
  Tick();
  EXPECT_TRUE(window_.log.empty());
  EXPECT_TRUE(escaped_.empty()) << "a refused output open raises nothing";
  EXPECT_TRUE(window_.Timer1().Enabled());
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
  EXPECT_EQ(escaped_[0], window_.MidiInput1()->ErrorText(MMSYSERR_ALLOCATED));
  EXPECT_TRUE(window_.log.empty());
  EXPECT_TRUE(window_.Timer1().Enabled());
  EXPECT_FALSE(window_.ProgramTimer().Enabled());
  Tick();
  EXPECT_TRUE(Connected());
}

TEST_F(DeviceDiscoveryTest, APortThatCannotBeCreatedLeavesTheSlotEmpty) {
  Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Tick();
  window_.Timer1().SetEnabled(true);
  window_.log.clear();
  Faults().FailNext(PlatformCall::midiInGetDevCapsA, MMSYSERR_ERROR);
  Tick();
  EXPECT_EQ(escaped_.size(), 1u);
  EXPECT_EQ(window_.MidiInput1(), nullptr) << "the old port was released, the new one never made";
  EXPECT_EQ(window_.PortOwner()->ComponentCount(), 3) << "the timers and the output port";
  Tick();
  EXPECT_TRUE(Connected()) << "the next tick starts over";
}

}  // namespace
