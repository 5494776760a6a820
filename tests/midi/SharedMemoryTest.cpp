// Shared blocks: zero-filled, released, and nothing kept when locking fails.
#include <gtest/gtest.h>

#include "midi/SharedMemory.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using platform::PlatformCall;

class SharedMemoryTest : public testsupport::SimulatedPlatformTest {};

TEST_F(SharedMemoryTest, SharedBlocksAreZeroFilledAndReleased) {
  const midi::SharedBlock block = midi::SharedLockedAlloc(4096);
  ASSERT_NE(block.Address, nullptr);
  const auto* bytes = static_cast<const BYTE*>(block.Address);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(BlocksLeaked(), 1u);
  midi::SharedLockedFree(block.Handle, block.Address);
  midi::SharedLockedFree(nullptr);
  EXPECT_EQ(BlocksLeaked(), 0u);
}

TEST_F(SharedMemoryTest, AFailedLockReleasesTheBlock) {
  Faults().FailNext(PlatformCall::GlobalLock, MMSYSERR_NOMEM);
  const midi::SharedBlock block = midi::SharedLockedAlloc(16);
  EXPECT_EQ(block.Address, nullptr);
  EXPECT_EQ(block.Handle, nullptr);
  EXPECT_EQ(BlocksLeaked(), 0u);
}

}  // namespace
