// The driver callback: what each callback message does under each filter flag, what it posts and
// how often, and overflow.
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/MessageWindow.h"
#include "midi/MidiCallback.h"
#include "midi/PortMessages.h"
#include "tests/support/EventLoop.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using midi::CallbackInstance;
using midi::MidiDriverCallback;

// A callback instance with a ring and a window that records what reaches it.
class MidiCallbackTest : public testsupport::SimulatedPlatformTest {
 protected:
  void SetUp() override {
    window_ = framework::AllocateHWnd([this](framework::TMessage& message) { received_.push_back(message); });
    instance_.Window = window_;
    instance_.EventBuffer = midi::CircularBufferCreate(3);
    ASSERT_NE(instance_.EventBuffer, nullptr);
  }

  void TearDown() override {
    midi::CircularBufferFree(instance_.EventBuffer);
    framework::DeallocateHWnd(window_);
  }

  void Call(UINT message, DWORD_PTR param1, DWORD_PTR param2 = 0) {
    MidiDriverCallback(nullptr, message, reinterpret_cast<DWORD_PTR>(&instance_), param1, param2);
  }

  // Delivers everything posted so far (the calls post on the test's own thread) and gives it.
  std::vector<framework::TMessage> Posted() {
    EXPECT_TRUE(testsupport::ProcessPendingEvents());
    return received_;
  }

  std::uint16_t Stored() const { return instance_.EventBuffer->PendingCount.load(); }

  MIDIHDR header_{};
  CallbackInstance instance_{};
  framework::HWND window_ = nullptr;
  std::vector<framework::TMessage> received_;
};

enum class Flag { None, ShortMessages, TimingClock, ActiveSensing };

struct FilterCase {
  UINT message;
  DWORD_PTR param1;  // for long messages a header address, tagged below
  Flag flag;
  bool stored;
};

void PrintTo(const FilterCase& c, std::ostream* out) {
  *out << "message " << c.message << ", parameter " << c.param1 << ", flag " << static_cast<int>(c.flag);
}

class MidiCallbackFilterTest : public MidiCallbackTest, public testing::WithParamInterface<FilterCase> {};

constexpr DWORD_PTR kHeader = 1;  // stands for "the address of a header"

TEST_P(MidiCallbackFilterTest, StoresOrDropsByFlag) {
  const FilterCase& c = GetParam();
  instance_.DropShortMessages = c.flag == Flag::ShortMessages;
  instance_.DropTimingClock = c.flag == Flag::TimingClock;
  instance_.DropActiveSensing = c.flag == Flag::ActiveSensing;
  const DWORD_PTR param1 = c.param1 == kHeader ? reinterpret_cast<DWORD_PTR>(&header_) : c.param1;
  Call(c.message, param1, 1500);

  ASSERT_EQ(Stored(), c.stored ? 1 : 0);
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), c.stored ? 1u : 0u);
  if (!c.stored) return;
  EXPECT_EQ(posted[0].Msg, MIM_DATA);
  EXPECT_EQ(posted[0].WParam, 0u);
  EXPECT_EQ(posted[0].LParam, 0);
  midi::BufferedEvent item{};
  ASSERT_TRUE(midi::CircularBufferPeek(instance_.EventBuffer, item));
  EXPECT_EQ(item.TimeStamp, 1500u);
  if (c.message == MIM_DATA) {
    EXPECT_EQ(item.ShortMessage, c.param1);
    EXPECT_EQ(item.SysexHeader, nullptr);
  } else {
    EXPECT_EQ(item.ShortMessage, 0u);
    EXPECT_EQ(item.SysexHeader, &header_);
  }
}

std::vector<FilterCase> AllFilterCases() {
  std::vector<FilterCase> cases;
  for (Flag flag : {Flag::None, Flag::ShortMessages, Flag::TimingClock, Flag::ActiveSensing}) {
    const bool dropsShort = flag == Flag::ShortMessages;
    cases.push_back({MIM_DATA, 0x643C90, flag, !dropsShort});
    cases.push_back({MIM_DATA, 0xF1, flag, !dropsShort});  // time code is never a real-time drop
    cases.push_back({MIM_DATA, 0xF8, flag, !dropsShort && flag != Flag::TimingClock});
    cases.push_back({MIM_DATA, 0xFE, flag, !dropsShort && flag != Flag::ActiveSensing});
    cases.push_back({MIM_DATA, 0x01F8, flag, !dropsShort});  // the whole parameter must match
    cases.push_back({MIM_LONGDATA, kHeader, flag, true});
    cases.push_back({MIM_LONGERROR, kHeader, flag, true});
  }
  return cases;
}

std::string CaseName(const testing::TestParamInfo<FilterCase>& info) {
  static const char* const kFlags[] = {"NoFlag", "DropShort", "DropTimingClock", "DropActiveSensing"};
  const FilterCase& c = info.param;
  const std::string kind = c.message == MIM_DATA ? "Short" + std::to_string(c.param1)
                                                 : (c.message == MIM_LONGDATA ? "LongData" : "LongError");
  return kind + "_" + kFlags[static_cast<int>(c.flag)];
}

INSTANTIATE_TEST_SUITE_P(EachMessageUnderEachFlag, MidiCallbackFilterTest, testing::ValuesIn(AllFilterCases()),
                         CaseName);

TEST_F(MidiCallbackTest, OtherMessagesStoreAndPostNothing) {
  for (UINT message : {MIM_OPEN, MIM_CLOSE, MIM_ERROR, MOM_OPEN, MOM_CLOSE, MIM_MOREDATA, 0x999u})
    Call(message, 0x90, 1);
  EXPECT_EQ(Stored(), 0);
  EXPECT_TRUE(Posted().empty());
}

// The emulation's notice of lost input tells the port as an overflow does, with no buffer for it
// to lend again, and stores nothing; an output's instance, which has no ring, hears nothing of it.
TEST_F(MidiCallbackTest, LostInputIsPostedAsAnOverflowWithoutABuffer) {
  Call(kMimInputLost, 0, 1500);
  EXPECT_EQ(Stored(), 0);
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].Msg, midi::kRingOverflow);
  EXPECT_EQ(posted[0].LParam, 0);

  midi::CircularBufferFree(instance_.EventBuffer);
  instance_.EventBuffer = nullptr;
  Call(kMimInputLost, 0, 1600);
  EXPECT_EQ(Posted().size(), 1u);
}

TEST_F(MidiCallbackTest, DoneIsPostedWithItsHeaderEvenWithoutARing) {
  midi::CircularBufferFree(instance_.EventBuffer);
  instance_.EventBuffer = nullptr;
  Call(MOM_DONE, reinterpret_cast<DWORD_PTR>(&header_));
  Call(MIM_DATA, 0x90);
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), 1u) << "input without a ring is neither stored nor posted";
  EXPECT_EQ(posted[0].Msg, MOM_DONE);
  EXPECT_EQ(posted[0].LParam, reinterpret_cast<std::intptr_t>(&header_));
}

TEST_F(MidiCallbackTest, AFullRingDropsTheItemAndPostsOverflowOncePerItem) {
  MIDIHDR dropped{};
  Call(MIM_DATA, 0x90);
  Call(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(&header_));
  Call(MIM_DATA, 0x91);
  Call(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(&dropped));
  Call(MIM_DATA, 0x92);

  EXPECT_EQ(Stored(), 3);
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), 5u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(posted[i].Msg, MIM_DATA) << i;
  EXPECT_EQ(posted[3].Msg, midi::kRingOverflow);
  EXPECT_EQ(posted[3].LParam, reinterpret_cast<std::intptr_t>(&dropped)) << "so the port can lend it again";
  EXPECT_EQ(posted[4].Msg, midi::kRingOverflow);
  EXPECT_EQ(posted[4].LParam, 0) << "a dropped short message has no buffer";

  midi::BufferedEvent item{};
  ASSERT_TRUE(midi::CircularBufferPeek(instance_.EventBuffer, item));
  EXPECT_EQ(item.ShortMessage, 0x90u) << "the waiting events keep their order";
}

// A flood of losses must leave room in the window's queue for the output's MOM_DONE, which would
// otherwise be lost with its header: losses are counted, and one notice tells of them.
TEST_F(MidiCallbackTest, LossesWithoutABufferAreCountedBehindOneNotice) {
  for (int i = 0; i < 3; ++i) Call(MIM_DATA, 0x90);
  for (int i = 0; i < 20000; ++i) i % 2 == 0 ? Call(MIM_DATA, 0x91) : Call(kMimInputLost, 0, 0);
  Call(MOM_DONE, reinterpret_cast<DWORD_PTR>(&header_));

  auto posted = Posted();
  ASSERT_EQ(posted.size(), 5u);
  EXPECT_EQ(posted[3].Msg, midi::kRingOverflow);
  EXPECT_EQ(posted[3].LParam, 0);
  EXPECT_EQ(posted[4].Msg, MOM_DONE);
  EXPECT_EQ(instance_.LossesUnreported.exchange(0), 20000u);

  Call(kMimInputLost, 0, 0);
  posted = Posted();
  ASSERT_EQ(posted.size(), 6u) << "once the port took the count, the next loss is told again";
  EXPECT_EQ(posted[5].Msg, midi::kRingOverflow);
}

}  // namespace
