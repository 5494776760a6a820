// The input port's creation values, its selection by number and by name, and its setters.
#include <gtest/gtest.h>

#include "midi/MidiIn.h"
#include "tests/support/PortTestAccess.h"
#include "tests/support/PortTestBase.h"

namespace {

using midi::PortTestAccess;
using midi::TMidiInput;
using platform::PlatformCall;

class MidiInSelectionTest : public testsupport::PortTestBase {
 protected:
  void AddThreeInputs() {
    Sim().AddInput(platform::PortInfo{"Alpha In", 1, 2, 3});
    Sim().AddInput("Beta In");
    Sim().AddInput("Gamma In");
  }
};

TEST_F(MidiInSelectionTest, ANewPortHasItsCreationValues) {
  AddThreeInputs();
  TMidiInput port(&owner_);
  EXPECT_EQ(port.DeviceCount(), 3u);
  EXPECT_EQ(port.DeviceID(), 0u);
  EXPECT_EQ(port.ProductName(), "Alpha In");
  EXPECT_EQ(port.ManufacturerID(), 1);
  EXPECT_EQ(port.ProductID(), 2);
  EXPECT_EQ(port.DriverVersion(), 3u);
  EXPECT_EQ(port.Capacity(), 1024);
  EXPECT_EQ(port.SysexBufferSize(), 4096);
  EXPECT_EQ(port.SysexBufferCount(), 16);
  EXPECT_FALSE(port.SysexOnly());
  EXPECT_EQ(port.FilteredMessages(), (midi::TMidiMsgFilter{midi::msgActiveSensing, midi::msgMidiTimeCode}));
  EXPECT_EQ(port.State(), midi::mpsClosed);
  EXPECT_EQ(port.Error(), 0);
  EXPECT_NE(PortTestAccess::Window(port), nullptr);
  EXPECT_EQ(PortTestAccess::Instance(port), nullptr);
  EXPECT_EQ(port.PendingEventCount(), 0);
  EXPECT_EQ(port.TakeEvent(), nullptr);
}

TEST_F(MidiInSelectionTest, WithoutDevicesNothingIsSelected) {
  TMidiInput port(&owner_);
  EXPECT_EQ(port.DeviceCount(), 0u);
  EXPECT_EQ(port.DeviceID(), 0u);
  EXPECT_EQ(port.ProductName(), "");
}

TEST_F(MidiInSelectionTest, SelectionByNumberChecksTheRangeAndReportsTheChange) {
  AddThreeInputs();
  TMidiInput port(&owner_);
  int changes = 0;
  port.OnDeviceChanged = framework::TNotifyEvent(&owner_, [&](framework::TObject* sender) {
    EXPECT_EQ(sender, &port);
    ++changes;
  });
  EXPECT_EQ(RaisedBy([&] { port.SetDeviceID(3); }), "Invalid device ID");
  EXPECT_EQ(port.DeviceID(), 0u);
  EXPECT_EQ(changes, 0);
  port.SetDeviceID(2);
  EXPECT_EQ(port.ProductName(), "Gamma In");
  EXPECT_EQ(changes, 1);
}

TEST_F(MidiInSelectionTest, ARefusedCapabilityReadKeepsTheNewNumberAndTheOldName) {
  AddThreeInputs();
  TMidiInput port(&owner_);
  int changes = 0;
  port.OnDeviceChanged = framework::TNotifyEvent(&owner_, [&](framework::TObject*) { ++changes; });
  Faults().FailNext(PlatformCall::midiInGetDevCapsA, MMSYSERR_NODRIVER);
  const std::string raised = RaisedBy([&] { port.SetDeviceID(2); });
  EXPECT_EQ(raised, port.ErrorText(MMSYSERR_NODRIVER));
  EXPECT_FALSE(raised.empty());
  EXPECT_EQ(port.DeviceID(), 2u);
  EXPECT_EQ(port.ProductName(), "Alpha In");
  EXPECT_EQ(port.Error(), MMSYSERR_NODRIVER);
  EXPECT_EQ(changes, 0);
}

TEST_F(MidiInSelectionTest, SelectionByNameIsExactAndTheLowestNumberWins) {
  AddThreeInputs();
  Sim().AddInput("Beta In");
  TMidiInput port(&owner_);
  port.SetProductName("Beta In");
  EXPECT_EQ(port.DeviceID(), 1u);
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("beta in"); }), "MIDI Input Device beta in not installed ");
  EXPECT_EQ(port.DeviceID(), 1u);
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("Beta"); }), "MIDI Input Device Beta not installed ");
}

TEST_F(MidiInSelectionTest, WithoutDevicesANameIsNotInstalledAndNoCapabilityIsRead) {
  TMidiInput port(&owner_);
  const unsigned readsBefore = Faults().CallCount(PlatformCall::midiInGetDevCapsA);
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("Alpha In"); }), "MIDI Input Device Alpha In not installed ");
  EXPECT_EQ(Faults().CallCount(PlatformCall::midiInGetDevCapsA), readsBefore);
}

TEST_F(MidiInSelectionTest, TheSameNameGoneFromTheSystemEndsAsAnInvalidNumber) {
  const auto alpha = Sim().AddInput("Alpha In");
  TMidiInput port(&owner_);
  Sim().Remove(alpha);
  Sim().AddInput("Other");
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("Alpha In"); }), "Invalid device ID");
}

TEST_F(MidiInSelectionTest, ANameArrivingWhileAFormIsReadIsDropped) {
  AddThreeInputs();
  owner_.BeginLoading();
  TMidiInput port(&owner_);
  port.BeginLoading();
  port.SetProductName("01. Internal MIDI");
  EXPECT_EQ(port.ProductName(), "Alpha In");
  port.Loaded();
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("01. Internal MIDI"); }),
            "MIDI Input Device 01. Internal MIDI not installed ");
}

TEST_F(MidiInSelectionTest, InADesignEnvironmentThereIsNoWindow) {
  owner_.SetDesigning(true);
  TMidiInput port(&owner_);
  EXPECT_EQ(PortTestAccess::Window(port), nullptr);
}

TEST_F(MidiInSelectionTest, SettersGuardedWhileOpenRaiseAndChangeNothing) {
  AddThreeInputs();
  TMidiInput port(&owner_);
  port.Open();
  EXPECT_EQ(RaisedBy([&] { port.SetDeviceID(1); }), "Change to DeviceID while device was open");
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("Beta In"); }), "Change to ProductName while device was open");
  EXPECT_EQ(RaisedBy([&] { port.SetSysexBufferSize(10); }), "Change to SysexBufferSize while device was open");
  EXPECT_EQ(RaisedBy([&] { port.SetSysexBufferCount(10); }), "Change to SysexBufferCount while device was open");
  EXPECT_EQ(port.DeviceID(), 0u);
  EXPECT_EQ(port.SysexBufferSize(), 4096);
  EXPECT_EQ(port.SysexBufferCount(), 16);

  port.SetSysexOnly(true);
  port.SetFilteredMessages({midi::msgMidiTimeCode});
  port.SetCapacity(8);
  EXPECT_TRUE(PortTestAccess::Instance(port)->DropShortMessages);
  EXPECT_TRUE(PortTestAccess::Instance(port)->DropTimingClock);
  EXPECT_FALSE(PortTestAccess::Instance(port)->DropActiveSensing);
  EXPECT_EQ(PortTestAccess::EventBuffer(port)->SlotCount, 1024) << "Capacity counts from the next Open";
  port.Close();
  port.Open();
  EXPECT_EQ(PortTestAccess::EventBuffer(port)->SlotCount, 8);
}

TEST_F(MidiInSelectionTest, TheOwnerDestroysItsPortsAndNothingIsLeft) {
  AddThreeInputs();
  {
    framework::TComponent owner(nullptr);
    auto* open = new TMidiInput(&owner);
    open->Open();
    open->Start();
    auto* closed = new TMidiInput(&owner);
    closed->SetDeviceID(1);
    closed->Open();
    closed->Close();
    EXPECT_EQ(owner.ComponentCount(), 2);
  }
  EXPECT_FALSE(Sim().IsOpen(0));
  EXPECT_EQ(BlocksLeaked(), 0u);
}

}  // namespace
