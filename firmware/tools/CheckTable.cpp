// Checks a firmware table file before the build embeds it. The first fault found (size, then the
// flags, then the framing of block 0 and of every flagged block, in block order) goes to stderr
// as one message and the exit status is 1, which stops the build.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "firmware/TableLayout.h"

namespace {

using namespace firmware;
using Fault = std::optional<std::string>;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, value > 0xFF ? "0x%X" : "0x%02X", value);
  return text;
}

class TableFile {
 public:
  explicit TableFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
  std::size_t Size() const { return bytes_.size(); }
  std::uint32_t Flag(std::size_t block) const { return Element(block); }
  std::uint32_t At(std::size_t block, std::size_t index) const {
    return Element(kBlockCount + block * kBlockLength + index);
  }

 private:
  std::uint32_t Element(std::size_t position) const {
    const unsigned char* p = &bytes_[position * kElementBytes];
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  std::vector<unsigned char> bytes_;
};

Fault FlagFault(const TableFile& table) {
  for (std::size_t block = 0; block < kBlockCount; ++block) {
    const std::uint32_t flag = table.Flag(block);
    if (flag > 1)
      return "block " + std::to_string(block) + " has flag " + std::to_string(flag) + "; only 0 and 1 are allowed";
  }
  return std::nullopt;
}

// The byte a sent block must carry at `index`, or nothing where any 7-bit payload byte will do.
std::optional<std::uint8_t> FramingByte(std::size_t block, std::size_t index) {
  if (index < kBlockFrameStart.size()) return kBlockFrameStart[index];
  if (index == kBlockNumberHighIndex) return static_cast<std::uint8_t>(block / 16);
  if (index == kBlockNumberLowIndex) return static_cast<std::uint8_t>(block % 16);
  if (index == kBlockEndIndex) return kBlockEnd;
  return std::nullopt;
}

Fault ByteFault(std::size_t block, std::size_t index, std::uint32_t found) {
  const std::string where = "byte " + std::to_string(index) + ": ";
  if (found > 0xFF) return where + "element " + Hex(found) + " is above 255";
  const std::optional<std::uint8_t> expected = FramingByte(block, index);
  if (expected && found != *expected) return where + "expected " + Hex(*expected) + ", found " + Hex(found);
  if (!expected && found > kPayloadMax) return where + "expected a payload byte 0x00 to 0x7F, found " + Hex(found);
  return std::nullopt;
}

Fault FramingFault(const TableFile& table, std::size_t block) {
  for (std::size_t index = 0; index < kBlockLength; ++index) {
    if (Fault fault = ByteFault(block, index, table.At(block, index))) {
      const bool sentAnyway = block == 0 && table.Flag(0) != 1;
      return "block " + std::to_string(block) + (sentAnyway ? " (flag 0, but block 0 is always sent first)" : "") +
             " is not a framed block message: " + *fault;
    }
  }
  return std::nullopt;
}

Fault TableFault(const TableFile& table) {
  if (table.Size() != kTableBytes)
    return "size is " + std::to_string(table.Size()) + " bytes, expected " + std::to_string(kTableBytes);
  if (Fault fault = FlagFault(table)) return fault;
  for (std::size_t block = 0; block < kBlockCount; ++block) {
    if (block != 0 && table.Flag(block) != 1) continue;
    if (Fault fault = FramingFault(table, block)) return fault;
  }
  return std::nullopt;
}

std::optional<std::vector<unsigned char>> ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <firmware table file>\n", argv[0]);
    return 2;
  }
  std::optional<std::vector<unsigned char>> bytes = ReadFile(argv[1]);
  if (!bytes) {
    std::fprintf(stderr, "firmware table %s: cannot be read\n", argv[1]);
    return 1;
  }
  if (Fault fault = TableFault(TableFile(std::move(*bytes)))) {
    std::fprintf(stderr, "firmware table %s: %s\n", argv[1], fault->c_str());
    return 1;
  }
  return 0;
}
