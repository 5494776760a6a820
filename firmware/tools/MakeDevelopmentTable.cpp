// Writes the development firmware table: the flags and framing of the device's table, with a
// payload of our own pseudo-random 7-bit bytes in place of the firmware. Every run and every host
// gives the same file.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "firmware/TableLayout.h"

namespace {

using namespace firmware;

// The blocks the device's own table sends: 0, 9 to 52 and 64 to 87; the gaps make the session's
// search really skip unflagged blocks.
bool IsFlagged(std::size_t block) { return block == 0 || (block >= 9 && block <= 52) || (block >= 64 && block <= 87); }

// xorshift32 with a fixed seed: small, and defined the same on every compiler.
class PayloadBytes {
 public:
  std::uint8_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<std::uint8_t>((state_ >> 24) & kPayloadMax);
  }

 private:
  std::uint32_t state_ = 0x2545F491u;
};

void AppendElement(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFFu));
}

void AppendFlaggedRow(std::string& out, std::size_t block, PayloadBytes& payload) {
  for (std::uint8_t byte : kBlockFrameStart) AppendElement(out, byte);
  AppendElement(out, static_cast<std::uint32_t>(block / 16));
  AppendElement(out, static_cast<std::uint32_t>(block % 16));
  for (std::size_t i = kPayloadFirstIndex; i < kBlockEndIndex; ++i) AppendElement(out, payload.Next());
  AppendElement(out, kBlockEnd);
}

// 7-bit bytes only: an unflagged row neither begins with 0xF0 nor holds 0xF7.
void AppendUnflaggedRow(std::string& out, PayloadBytes& payload) {
  for (std::size_t i = 0; i < kBlockLength; ++i) AppendElement(out, payload.Next());
}

std::string DevelopmentTable() {
  std::string table;
  table.reserve(kTableBytes);
  for (std::size_t block = 0; block < kBlockCount; ++block) AppendElement(table, IsFlagged(block) ? 1 : 0);
  PayloadBytes payload;
  for (std::size_t block = 0; block < kBlockCount; ++block) {
    if (IsFlagged(block)) {
      AppendFlaggedRow(table, block, payload);
    } else {
      AppendUnflaggedRow(table, payload);
    }
  }
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <table file to write>\n", argv[0]);
    return 2;
  }
  const std::string table = DevelopmentTable();
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(table.data(), static_cast<std::streamsize>(table.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "cannot write the development firmware table %s\n", argv[1]);
    return 1;
  }
  return 0;
}
