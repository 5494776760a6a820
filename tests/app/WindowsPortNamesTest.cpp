// Discovery among the names Windows gives the device's ports, cut to the 31 characters of
// Windows' records: which find the device, which cannot, and a device whose input and output
// carry different names.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/DeviceDiscovery.h"
#include "firmware/Conversation.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"
#include "tests/support/WindowsPortNames.h"

namespace {

using testsupport::LegacyPortName;
using testsupport::NewStylePortName;
using testsupport::PortDirection;

const std::string kDevice = firmware::kDevicePortName;

class WindowsPortNamesTest : public testsupport::PortTestBase {
 protected:
  WindowsPortNamesTest() {
    Sim().Switches().namesCutTo31Characters = true;
    programmer_.TickOnlyByHand();
  }

  // Whether discovery opens the pair of ports with these names, among others that do not match.
  bool Connects(const std::string& input, const std::string& output) {
    Sim().AddInput("Keyboard");
    const auto in = Sim().AddInput(input);
    const auto out = Sim().AddOutput(output);
    Sim().AddOutput("Microsoft GS Wavetable Synth");
    testsupport::TickNow(programmer_->DiscoveryTimer());
    const bool connected = !programmer_.log.empty() && programmer_.log.back() == ">USB Midi Connected";
    EXPECT_EQ(connected, Sim().IsOpen(in) && Sim().IsOpen(out));
    return connected;
  }

  testsupport::ProgrammerUnderTest programmer_;
};

// The name as the record gives it, not as the driver made it.
struct Named {
  std::string given;
  bool matches;
};

TEST(WindowsPortNames, ThoseThatStillCarryTheDevicesNameWithinTheirRoomMatch) {
  const std::vector<Named> names{
      {LegacyPortName(kDevice, PortDirection::Input), true},
      {LegacyPortName(kDevice, PortDirection::Output, 1, 2), true},
      {LegacyPortName(kDevice, PortDirection::Input, 2), true},
      {LegacyPortName(kDevice, PortDirection::Output, 2), true},
      {LegacyPortName(kDevice, PortDirection::Output, 12), true},
      {LegacyPortName(kDevice, PortDirection::Output, 2, 10), false},
      {NewStylePortName("QLT-1", kDevice), true},
      {NewStylePortName("Korvalith QLT-1 Bass MIDI Interface", kDevice), false},
      {NewStylePortName("Korvalith QLT-1", kDevice), false},
      {"My bass interface", false},
      {"Bass (" + kDevice + ")", true},
  };
  for (const Named& name : names) {
    const std::string record = name.given.substr(0, testsupport::kWindowsNameRoom);
    EXPECT_EQ(app::DeviceDiscovery::MatchesDevicePort(record), name.matches) << '"' << name.given << '"';
  }
}

TEST_F(WindowsPortNamesTest, AClassicDriversSecondPortsAreFoundUnderTheirOwnNames) {
  EXPECT_TRUE(
      Connects(LegacyPortName(kDevice, PortDirection::Input, 2), LegacyPortName(kDevice, PortDirection::Output, 2)));
  EXPECT_EQ(programmer_->InputPort()->ProductName(), "MIDIIN2 (" + kDevice + ")");
  EXPECT_EQ(programmer_->OutputPort()->ProductName(), "MIDIOUT2 (" + kDevice + ")");
}

TEST_F(WindowsPortNamesTest, TheInputAndTheOutputMayCarryDifferentNames) {
  EXPECT_TRUE(Connects(LegacyPortName(kDevice, PortDirection::Input, 1, 2), NewStylePortName("QLT-1", kDevice)));
}

// A long endpoint name leaves no room for the port's: the output cannot be found, and discovery
// keeps waiting rather than open anything else.
TEST_F(WindowsPortNamesTest, AnOutputWhoseNameLostTheDevicesIsNeverOpened) {
  EXPECT_FALSE(Connects(kDevice, NewStylePortName("Korvalith QLT-1 Bass MIDI Interface", kDevice)));
  EXPECT_TRUE(programmer_->DiscoveryTimer().Enabled());
  EXPECT_TRUE(escaped_.empty());
}

// The name Windows' record holds is the one discovery sees: a name that carries the device's only
// past the 31st character is cut before it.
TEST_F(WindowsPortNamesTest, ANameThatCarriesTheDevicesOnlyPastItsRoomIsNotFound) {
  const std::string userName = "Bass rig, left rack, slot 3: " + kDevice;
  EXPECT_FALSE(Connects(userName, kDevice));
  Sim().Switches().namesCutTo31Characters = false;
  testsupport::TickNow(programmer_->DiscoveryTimer());
  EXPECT_EQ(programmer_.log.back(), ">USB Midi Connected") << "the same ports, their names whole";
}

}  // namespace
