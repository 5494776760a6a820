// The embedded table and the messages its blocks become, pinned byte for byte against the table
// file the build checked.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/FirmwareImage.h"
#include "firmware/RowMessage.h"

namespace {

using firmware::BlockMessage;
using firmware::FirmwareImage;
using firmware::kBlockLength;

TEST(FirmwareImageTest, TheEmbeddedTableIsTheFileTheBuildUsedByteForByte) {
  std::ifstream file(FIRMWARE_TABLE_FILE, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_EQ(bytes.size(), sizeof(firmware::FirmwareImageTable));
  EXPECT_EQ(std::memcmp(bytes.data(), &FirmwareImage(), bytes.size()), 0);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&FirmwareImage()) % alignof(std::uint32_t), 0u);
}

TEST(FirmwareImageTest, FlaggedAreBlock0AndBlocks9To52And64To87) {
  std::vector<std::size_t> flagged;
  for (std::size_t b = 0; b < firmware::kBlockCount; ++b) {
    if (FirmwareImage().BlockFlags[b] == 1) flagged.push_back(b);
  }
  std::vector<std::size_t> expected{0};
  for (std::size_t b = 9; b <= 52; ++b) expected.push_back(b);
  for (std::size_t b = 64; b <= 87; ++b) expected.push_back(b);
  EXPECT_EQ(flagged, expected);
  EXPECT_EQ(flagged.size(), 69u);
}

// Only a flag of exactly 1 counts, block 0 goes first whatever its flag, and the last block can be
// the last one sent.
TEST(FirmwareImageTest, AnUpdateSendsBlock0ThenEachBlockFlaggedWith1InOrder) {
  auto table = std::make_unique<firmware::FirmwareImageTable>();
  table->BlockFlags[0] = 0;
  table->BlockFlags[3] = 1;
  table->BlockFlags[4] = 2;
  table->BlockFlags[5] = 0xFFFFFFFF;
  table->BlockFlags[firmware::kLastBlock] = 1;
  EXPECT_EQ(firmware::BlocksOfAnUpdate(*table), (std::vector<int>{0, 3, static_cast<int>(firmware::kLastBlock)}));
  EXPECT_EQ(firmware::NextFlaggedBlock(*table, 3), static_cast<int>(firmware::kLastBlock));
  EXPECT_EQ(firmware::NextFlaggedBlock(*table, static_cast<int>(firmware::kLastBlock)), -1);
  EXPECT_EQ(firmware::BlocksOfAnUpdate(FirmwareImage()).size(), 69u);
}

TEST(FirmwareImageTest, BlockMessagesCarryTheirFramingAndOwnNumber) {
  const auto block0 = BlockMessage(0);
  std::vector<std::uint8_t> start(firmware::kBlockFrameStart.begin(), firmware::kBlockFrameStart.end());
  start.insert(start.end(), {0x00, 0x00});
  EXPECT_TRUE(std::equal(start.begin(), start.end(), block0.begin()));
  EXPECT_EQ(block0.back(), 0xF7);
  EXPECT_EQ(BlockMessage(9)[7], 0x00);
  EXPECT_EQ(BlockMessage(9)[8], 0x09);
  EXPECT_EQ(BlockMessage(64)[7], 0x04);
  EXPECT_EQ(BlockMessage(64)[8], 0x00);
}

TEST(FirmwareImageTest, TheLastFlaggedBlockEndsWithItsOwnEndByteAndNothingOfTheNextRow) {
  const auto block87 = BlockMessage(87);
  const std::uint32_t* row87 = &FirmwareImage().BlockData[87 * kBlockLength];
  EXPECT_EQ(block87.back(), 0xF7);
  for (std::size_t i = 0; i < kBlockLength; ++i) ASSERT_EQ(block87[i], row87[i]) << "byte " << i;
  EXPECT_NE(BlockMessage(88)[0], 0xF0) << "block 88 is no message of its own";
}

TEST(FirmwareImageTest, OnlyTheLow8BitsOfEachElementAreSent) {
  // Exactly one row: reading past it shows under AddressSanitizer.
  std::vector<std::uint32_t> row(kBlockLength, 0x42);
  row[0] = 0x1F7;
  row[1] = 0xFFFFFF00;
  row[kBlockLength - 1] = 0x80000001;
  const auto message = firmware::MessageOfRow(row.data());
  EXPECT_EQ(message[0], 0xF7);
  EXPECT_EQ(message[1], 0x00);
  EXPECT_EQ(message[2], 0x42);
  EXPECT_EQ(message[kBlockLength - 1], 0x01);
}

}  // namespace
