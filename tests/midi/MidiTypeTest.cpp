// The buffer header wrapper and the received event: what they obtain and release.
#include <cstring>

#include <gtest/gtest.h>

#include "midi/MidiType.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using platform::PlatformCall;

class MidiTypeTest : public testsupport::SimulatedPlatformTest {};

TEST_F(MidiTypeTest, AHeaderOfSizeZeroObtainsNothing) {
  {
    midi::TMyMidiHdr header(0);
    EXPECT_EQ(header.Header(), nullptr);
    EXPECT_EQ(header.DataBlock(), nullptr);
    EXPECT_EQ(BlocksLeaked(), 0u);
  }
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(MidiTypeTest, AHeaderDescribesItsDataBlockAndNothingElse) {
  {
    midi::TMyMidiHdr header(4096);
    ASSERT_NE(header.Header(), nullptr);
    const MIDIHDR& raw = *header.Header();
    EXPECT_EQ(raw.lpData, reinterpret_cast<LPSTR>(header.DataBlock()));
    EXPECT_EQ(raw.dwBufferLength, 4096u);
    MIDIHDR expected{};
    expected.lpData = raw.lpData;
    expected.dwBufferLength = 4096;
    EXPECT_EQ(std::memcmp(&raw, &expected, sizeof(MIDIHDR)), 0) << "every other field is 0";
    EXPECT_EQ(BlocksLeaked(), 2u);
  }
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(MidiTypeTest, AHeaderWithoutDataIsNotUsableButLeaksNothing) {
  Faults().FailOnCall(PlatformCall::GlobalAlloc, 2, MMSYSERR_NOMEM);
  {
    midi::TMyMidiHdr header(64);
    ASSERT_NE(header.Header(), nullptr);
    EXPECT_EQ(header.Header()->lpData, nullptr);
    EXPECT_EQ(header.Header()->dwBufferLength, 0u);
  }
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(MidiTypeTest, AHeaderLeadsBackToItsObjectThroughUserData) {
  midi::TMyMidiHdr header(16);
  header.Header()->dwUser = reinterpret_cast<DWORD_PTR>(&header);
  EXPECT_EQ(midi::TMyMidiHdr::Owning(*header.Header()), &header);
}

}  // namespace
