// The output port's creation values, its selection by number and by name, Open, Close and
// ChangeDevice.
#include <gtest/gtest.h>

#include "midi/MidiOut.h"
#include "midi/platform/PortCaps.h"
#include "tests/support/PortTestAccess.h"
#include "tests/support/PortTestBase.h"

namespace {

using midi::PortTestAccess;
using midi::TMidiOutput;
using platform::PlatformCall;

class MidiOutSelectionTest : public testsupport::PortTestBase {
 protected:
  void AddThreeOutputs() {
    first_ = Sim().AddOutput(platform::PortInfo{"Alpha Out", 7, 8, 9});
    Sim().AddOutput("Beta Out");
    Sim().AddOutput("Gamma Out");
  }
  platform::SimulatedTransport::DeviceId first_{};
};

TEST_F(MidiOutSelectionTest, ANewPortIsClosedWithNothingSelectedAndNoCapabilityRead) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  EXPECT_EQ(port.State(), midi::mpsClosed);
  EXPECT_EQ(port.DeviceID(), 0u);
  EXPECT_EQ(port.ProductName(), "");
  EXPECT_EQ(port.ManufacturerID(), 0);
  EXPECT_EQ(port.Support(), 0u);
  EXPECT_EQ(port.DeviceCount(), 3);
  EXPECT_FALSE(port.ResetOnClose());
  EXPECT_EQ(Faults().CallCount(PlatformCall::midiOutGetDevCapsA), 0u);
  EXPECT_NE(PortTestAccess::Window(port), nullptr);
}

TEST_F(MidiOutSelectionTest, SelectionByNumberCopiesTheCapabilities) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  int changes = 0;
  port.OnDeviceChanged = framework::TNotifyEvent(&owner_, [&](framework::TObject*) { ++changes; });
  EXPECT_EQ(RaisedBy([&] { port.SetDeviceID(3); }), "Invalid device ID");
  port.SetDeviceID(0);
  EXPECT_EQ(port.ProductName(), "Alpha Out");
  EXPECT_EQ(port.ManufacturerID(), 7);
  EXPECT_EQ(port.ProductID(), 8);
  EXPECT_EQ(port.DriverVersion(), 9u);
  EXPECT_EQ(port.Technology(), MOD_MIDIPORT);
  EXPECT_EQ(changes, 1);

  Faults().FailNext(PlatformCall::midiOutGetDevCapsA, MMSYSERR_NOMEM);
  EXPECT_EQ(RaisedBy([&] { port.SetDeviceID(2); }), port.ErrorText(MMSYSERR_NOMEM, midi::TMidiOutputContext::General));
  EXPECT_EQ(port.DeviceID(), 2u);
  EXPECT_EQ(port.ProductName(), "Alpha Out");
  EXPECT_EQ(port.Error(), MMSYSERR_NOMEM);
  EXPECT_EQ(changes, 1);
}

TEST_F(MidiOutSelectionTest, TheDefaultOutputPassesTheRangeCheckEvenWithoutDevices) {
  TMidiOutput port(&owner_);
  port.SetDeviceID(MIDI_MAPPER);
  EXPECT_EQ(port.DeviceID(), MIDI_MAPPER);
  EXPECT_EQ(port.Technology(), MOD_MAPPER);
}

TEST_F(MidiOutSelectionTest, SelectionByNameTriesTheDefaultFirstThenTheLowestNumber) {
  AddThreeOutputs();
  Sim().AddOutput("Beta Out");
  TMidiOutput port(&owner_);
  port.SetProductName("Beta Out");
  EXPECT_EQ(port.DeviceID(), 1u);
  port.SetProductName(platform::kDefaultOutputName);
  EXPECT_EQ(port.DeviceID(), MIDI_MAPPER);
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("alpha out"); }), "MIDI output Device alpha out not installed");
  EXPECT_EQ(port.DeviceID(), MIDI_MAPPER);
  EXPECT_EQ(port.Error(), 0u);
}

TEST_F(MidiOutSelectionTest, ADeviceNamedLikeTheDefaultOutputIsNeverChosenByName) {
  Sim().AddOutput(platform::kDefaultOutputName);
  TMidiOutput port(&owner_);
  port.SetProductName(platform::kDefaultOutputName);
  EXPECT_EQ(port.DeviceID(), MIDI_MAPPER);
}

TEST_F(MidiOutSelectionTest, ARefusedReadDuringALookUpChangesOnlyError) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  Faults().FailOnCall(PlatformCall::midiOutGetDevCapsA, 2, MMSYSERR_ERROR);
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("Gamma Out"); }),
            port.ErrorText(MMSYSERR_ERROR, midi::TMidiOutputContext::General));
  EXPECT_EQ(port.DeviceID(), 0u);
  EXPECT_EQ(port.ProductName(), "");
  EXPECT_EQ(port.Error(), MMSYSERR_ERROR);
}

TEST_F(MidiOutSelectionTest, LoadingDropsTheNameAndDesigningHasNoWindow) {
  AddThreeOutputs();
  owner_.SetDesigning(true);
  TMidiOutput port(&owner_);
  EXPECT_EQ(PortTestAccess::Window(port), nullptr);
  port.BeginLoading();
  port.SetProductName("Beta Out");
  EXPECT_EQ(port.ProductName(), "");
  EXPECT_EQ(Faults().CallCount(PlatformCall::midiOutGetDevCapsA), 0u);
}

TEST_F(MidiOutSelectionTest, OpenWithoutSelectionOpensDeviceZero) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  EXPECT_TRUE(port.Open());
  EXPECT_TRUE(Sim().IsOpen(first_));
  EXPECT_EQ(port.ProductName(), "");
  const midi::CallbackInstance* instance = PortTestAccess::Instance(port);
  EXPECT_TRUE(port.Open()) << "already open: nothing changes";
  EXPECT_EQ(PortTestAccess::Instance(port), instance);
  EXPECT_EQ(RaisedBy([&] { port.SetDeviceID(1); }), "Change to DeviceID while device was open");
  EXPECT_EQ(RaisedBy([&] { port.SetProductName("Beta Out"); }), "Change to ProductName while device was open");
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.Close()) << "closing a closed port";
  EXPECT_EQ(PortTestAccess::Instance(port), instance) << "kept for the next Open";
}

TEST_F(MidiOutSelectionTest, ARefusedOpenReturnsFalseAndReleasesTheInstance) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  Faults().FailNext(PlatformCall::midiOutOpen, MMSYSERR_ALLOCATED);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.State(), midi::mpsClosed);
  EXPECT_EQ(PortTestAccess::Instance(port), nullptr);
  EXPECT_EQ(port.Error(), MMSYSERR_ALLOCATED);
  EXPECT_EQ(BlocksLeaked(), 0u);
  Faults().FailNext(PlatformCall::GlobalAlloc, MMSYSERR_NOMEM);
  EXPECT_FALSE(port.Open()) << "no memory for the instance";
  EXPECT_TRUE(port.Open());
}

TEST_F(MidiOutSelectionTest, ARefusedResetOrCloseRaisesAndKeepsThePortOpen) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  ASSERT_TRUE(port.Open());
  port.SetResetOnClose(true);
  Faults().FailNext(PlatformCall::midiOutReset, MMSYSERR_ERROR);
  EXPECT_EQ(RaisedBy([&] { port.Close(); }), port.ErrorText(MMSYSERR_ERROR, midi::TMidiOutputContext::General));
  EXPECT_EQ(port.State(), midi::mpsOpen);
  Faults().FailNext(PlatformCall::midiOutClose, MMSYSERR_ERROR);
  EXPECT_NE(RaisedBy([&] { port.Close(); }), "");
  EXPECT_EQ(port.State(), midi::mpsOpen);
  EXPECT_EQ(port.Error(), MMSYSERR_ERROR);
  EXPECT_TRUE(port.Close());
}

TEST_F(MidiOutSelectionTest, ChangeDeviceClosesSelectsAndOpensOnlyWhenAsked) {
  AddThreeOutputs();
  TMidiOutput port(&owner_);
  ASSERT_TRUE(port.Open());
  EXPECT_FALSE(port.ChangeDevice(1, false));
  EXPECT_EQ(port.State(), midi::mpsClosed);
  EXPECT_EQ(port.ProductName(), "Beta Out");
  EXPECT_TRUE(port.ChangeDevice(2, true));
  EXPECT_EQ(port.State(), midi::mpsOpen);
  EXPECT_EQ(port.ProductName(), "Gamma Out");
}

TEST_F(MidiOutSelectionTest, ErrorTextsFollowTheContext) {
  TMidiOutput port(&owner_);
  using Context = midi::TMidiOutputContext;
  EXPECT_EQ(port.ErrorText(5, Context::ShortMessage), "(Short Msg) The specified device handle is invalid.");
  EXPECT_EQ(port.ErrorText(64, Context::LongMessage),
            "(Long Msg) The buffer pointed to by lpMidiOutHdr has not been prepared.");
  EXPECT_EQ(port.ErrorText(7, Context::HeaderPreparation),
            "(Prep Header) The system is unable to allocate or lock memory.");
  char platformText[128];
  ASSERT_EQ(midiOutGetErrorTextA(7, platformText, sizeof platformText), MMSYSERR_NOERROR);
  EXPECT_EQ(port.ErrorText(7, Context::LongMessage), platformText) << "no entry for 7 in the long context";
  ASSERT_EQ(midiOutGetErrorTextA(5, platformText, sizeof platformText), MMSYSERR_NOERROR);
  EXPECT_EQ(port.ErrorText(5, Context::General), platformText) << "the general context has no fixed texts";
  EXPECT_EQ(port.ErrorText(4321, Context::General), "Specified error number is out of range");
}

}  // namespace
