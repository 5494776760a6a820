// The checker the build runs on the table: it passes the table the build used and refuses each
// kind of malformed table with a message naming the first fault.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"

namespace {

using firmware::kBlockCount;
using firmware::kBlockLength;

struct Verdict {
  int exitCode;
  std::string message;
};

class TableCheckerTest : public testing::Test {
 protected:
  TableCheckerTest() {
    std::ifstream file(FIRMWARE_TABLE_FILE, std::ios::binary);
    table_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  ~TableCheckerTest() override { std::filesystem::remove(path_); }

  void SetFlag(std::size_t block, std::uint32_t value) { SetElement(block, value); }
  void SetByte(std::size_t block, std::size_t index, std::uint32_t value) {
    SetElement(kBlockCount + block * kBlockLength + index, value);
  }

  // Writes the table as it now stands and runs the checker on it; stdout is dropped.
  Verdict Check() {
    std::ofstream(path_, std::ios::binary).write(table_.data(), static_cast<std::streamsize>(table_.size()));
    const std::string command = "'" CHECK_FIRMWARE_TABLE "' '" + path_.string() + "' 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, "the checker could not be started"};
    std::string message;
    for (int c; (c = std::fgetc(pipe)) != EOF;) message.push_back(static_cast<char>(c));
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, message};
  }

  std::vector<char> table_;

 private:
  void SetElement(std::size_t position, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) table_.at(position * 4 + i) = static_cast<char>(value >> (8 * i));
  }

  // Apart per process: other build trees may run these tests at the same time.
  std::filesystem::path path_ =
      std::filesystem::path(testing::TempDir()) / ("firmware-table-" + std::to_string(getpid()) + ".bin");
};

// The checker refuses with status 1 and one line holding `fault`.
void ExpectRefused(const Verdict& verdict, const std::string& fault) {
  EXPECT_EQ(verdict.exitCode, 1);
  EXPECT_NE(verdict.message.find(fault), std::string::npos) << verdict.message;
  EXPECT_EQ(std::count(verdict.message.begin(), verdict.message.end(), '\n'), 1) << verdict.message;
}

TEST_F(TableCheckerTest, AcceptsTheTableTheBuildUsedAndAnUnflaggedButFramedBlock0) {
  const Verdict verdict = Check();
  EXPECT_EQ(verdict.exitCode, 0);
  EXPECT_EQ(verdict.message, "");
  SetFlag(0, 0);
  EXPECT_EQ(Check().exitCode, 0);
}

TEST_F(TableCheckerTest, RefusesAWrongSizeNamingFoundAndExpected) {
  const std::string expected = ", expected " + std::to_string(firmware::kTableBytes);
  table_.pop_back();
  ExpectRefused(Check(), "size is " + std::to_string(firmware::kTableBytes - 1) + " bytes" + expected);
  table_.resize(table_.size() + 5);
  ExpectRefused(Check(), "size is " + std::to_string(firmware::kTableBytes + 4) + " bytes" + expected);
}

TEST_F(TableCheckerTest, RefusesAFlagOtherThan0Or1) {
  SetFlag(170, 0xFFFFFFFF);
  ExpectRefused(Check(), "block 170 has flag 4294967295");
  SetFlag(5, 2);
  ExpectRefused(Check(), "block 5 has flag 2");
}

TEST_F(TableCheckerTest, RefusesAFlaggedBlockWithAWrongByteNamingIndexExpectedAndFound) {
  struct Case {
    std::size_t block, index;
    std::uint32_t value;
    std::string fault;
  };
  const std::string last = std::to_string(kBlockLength - 1), beforeLast = std::to_string(kBlockLength - 2);
  const std::vector<Case> cases{
      {9, 0, 0xF1, "block 9 is not a framed block message: byte 0: expected 0xF0, found 0xF1"},
      {10, 6, 0x04, "block 10 is not a framed block message: byte 6: expected 0x03, found 0x04"},
      {9, 8, 0x08, "block 9 is not a framed block message: byte 8: expected 0x09, found 0x08"},
      {64, 7, 0x00, "block 64 is not a framed block message: byte 7: expected 0x04, found 0x00"},
      {30, kBlockLength - 2, 0x80,
       "block 30 is not a framed block message: byte " + beforeLast + ": expected a payload byte"},
      {87, kBlockLength - 1, 0x7F,
       "block 87 is not a framed block message: byte " + last + ": expected 0xF7, found 0x7F"},
      {52, kBlockLength - 1, 0x1F7,
       "block 52 is not a framed block message: byte " + last + ": element 0x1F7 is above 255"},
  };
  for (const Case& c : cases) {
    const std::vector<char> good = table_;
    SetByte(c.block, c.index, c.value);
    ExpectRefused(Check(), c.fault);
    table_ = good;
  }
}

TEST_F(TableCheckerTest, ChecksWhatTheFlagsSayIsSentAndBlock0Always) {
  SetByte(1, 0, 0x00);
  EXPECT_EQ(Check().exitCode, 0) << "an unflagged block is never sent";
  SetFlag(1, 1);
  ExpectRefused(Check(), "block 1 is not a framed block message: byte 0: expected 0xF0, found 0x00");
  SetFlag(0, 0);
  SetByte(0, 0, 0x00);
  ExpectRefused(Check(), "block 0 (flag 0, but block 0 is always sent first) is not a framed block message: byte 0");
}

TEST_F(TableCheckerTest, NamesOnlyTheFirstFault) {
  SetByte(9, 50, 0xF7);
  SetByte(9, 3, 0x7F);
  SetFlag(100, 3);
  ExpectRefused(Check(), "block 100 has flag 3");
  SetFlag(100, 0);
  ExpectRefused(Check(), "block 9 is not a framed block message: byte 3:");
}

}  // namespace
