// Counting devices, their capabilities, error texts, and the faults tests can inject into every
// platform call.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/ErrorTexts.h"
#include "midi/platform/GlobalMemory.h"
#include "midi/platform/MmSystem.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using platform::PlatformCall;

class EnumerationAndFaultsTest : public testsupport::SimulatedPlatformTest {};

TEST_F(EnumerationAndFaultsTest, CountsAndNamesFollowTheDevicesPresent) {
  EXPECT_EQ(midiInGetNumDevs(), 0u);
  const auto first = Sim().AddInput(platform::PortInfo{"First", 0x41, 0x42, 0x0103});
  Sim().AddInput("Second");
  Sim().AddOutput("Out");
  EXPECT_EQ(midiInGetNumDevs(), 2u);
  EXPECT_EQ(midiOutGetNumDevs(), 1u);

  MIDIINCAPSA caps{};
  ASSERT_EQ(midiInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "First");
  EXPECT_EQ(caps.wMid, 0x41);
  EXPECT_EQ(caps.wPid, 0x42);
  EXPECT_EQ(caps.vDriverVersion, 0x0103u);

  Sim().Remove(first);
  ASSERT_EQ(midiInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Second") << "numbers shift when a device goes";
  EXPECT_EQ(midiInGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(midiInGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);
}

TEST_F(EnumerationAndFaultsTest, LongNamesAreKeptWholeAndCutOnlyAtTheRecordsEnd) {
  const std::string longName = std::string("system:midi_capture_2 ") + firmware::kDevicePortName + " MIDI 1";
  Sim().AddOutput(longName);
  Sim().AddInput(std::string(MAXPNAMELEN + 10, 'x'));
  MIDIOUTCAPSA out{};
  ASSERT_EQ(midiOutGetDevCapsA(0, &out, sizeof out), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(out.szPname), longName);
  MIDIINCAPSA in{};
  ASSERT_EQ(midiInGetDevCapsA(0, &in, sizeof in), MMSYSERR_NOERROR);
  EXPECT_EQ(std::strlen(in.szPname), MAXPNAMELEN - 1);
}

TEST_F(EnumerationAndFaultsTest, EveryCodeTheEmulationReturnsHasAText) {
  for (MMRESULT code : {MMSYSERR_ERROR, MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED, MMSYSERR_INVALHANDLE,
                        MMSYSERR_NODRIVER, MMSYSERR_NOMEM, MMSYSERR_INVALFLAG, MMSYSERR_INVALPARAM, MIDIERR_UNPREPARED,
                        MIDIERR_STILLPLAYING, MIDIERR_NOTREADY, MIDIERR_NODEVICE}) {
    char text[128];
    ASSERT_EQ(midiInGetErrorTextA(code, text, sizeof text), MMSYSERR_NOERROR) << code;
    EXPECT_GT(std::strlen(text), 10u) << code;
    ASSERT_EQ(midiOutGetErrorTextA(code, text, sizeof text), MMSYSERR_NOERROR) << code;
  }
  char text[128];
  EXPECT_EQ(midiOutGetErrorTextA(12345, text, sizeof text), MMSYSERR_BADERRNUM);
  char tiny[6];
  ASSERT_EQ(midiInGetErrorTextA(MIDIERR_STILLPLAYING, tiny, sizeof tiny), MMSYSERR_NOERROR);
  EXPECT_EQ(std::strlen(tiny), 5u) << "cut to the buffer, NUL included";
}

TEST_F(EnumerationAndFaultsTest, AFaultHitsTheNextCallOrTheNthAndThenClears) {
  const auto output = Sim().AddOutput("Out");
  MIDIOUTCAPSA caps{};
  Faults().FailNext(PlatformCall::midiOutGetDevCapsA, MMSYSERR_NOMEM);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOMEM);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);

  Faults().FailOnCall(PlatformCall::midiOutGetDevCapsA, 3, MMSYSERR_ERROR);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_ERROR);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(Faults().CallCount(PlatformCall::midiOutGetDevCapsA), 6u);

  Faults().FailAlways(PlatformCall::midiOutOpen, MMSYSERR_ALLOCATED);
  HMIDIOUT handle = nullptr;
  EXPECT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  EXPECT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  EXPECT_FALSE(Sim().IsOpen(output)) << "a failed call changes nothing";
  Faults().Clear(PlatformCall::midiOutOpen);
  ASSERT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(EnumerationAndFaultsTest, CountsTextsAndMemoryFailInTheirOwnWays) {
  Sim().AddInput("In");
  Faults().FailNext(PlatformCall::midiInGetNumDevs, MMSYSERR_ERROR);
  EXPECT_EQ(midiInGetNumDevs(), 0u) << "a failing count reports no devices";
  EXPECT_EQ(midiInGetNumDevs(), 1u);

  char text[128];
  Faults().FailNext(PlatformCall::midiInGetErrorTextA, MMSYSERR_BADERRNUM);
  EXPECT_EQ(midiInGetErrorTextA(MMSYSERR_ERROR, text, sizeof text), MMSYSERR_BADERRNUM);

  Faults().FailNext(PlatformCall::GlobalAlloc, MMSYSERR_NOMEM);
  EXPECT_EQ(GlobalAlloc(GMEM_ZEROINIT, 16), nullptr);
  Faults().FailNext(PlatformCall::GlobalLock, MMSYSERR_NOMEM);
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST(PlatformWithoutTransport, ReportsNoDevicesAndNoDriver) {
  auto previous = platform::InstallTransport(nullptr);
  HMIDIIN handle = nullptr;
  EXPECT_EQ(midiInGetNumDevs(), 0u);
  EXPECT_EQ(midiOutGetNumDevs(), 0u);
  EXPECT_EQ(midiInOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
  platform::InstallTransport(std::move(previous));
}

}  // namespace
