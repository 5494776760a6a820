#pragma once

// Reads a fuzz input from the front, one value at a time, so that a seed can be written by hand in
// the order its steps run. Past the end every value is 0.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  bool Empty() const { return position_ >= data_.size(); }

  // Little-endian, as many bytes as T has.
  template <typename T>
  T Take() {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= std::uint64_t{TakeByte()} << (8 * i);
    return static_cast<T>(value);
  }

  // One byte (two when `high` needs them) mapped into low..high.
  template <typename T>
  T InRange(T low, T high) {
    const std::uint64_t span = static_cast<std::uint64_t>(high - low) + 1;
    const std::uint64_t raw = span <= 256 ? TakeByte() : Take<std::uint16_t>();
    return static_cast<T>(low + raw % span);
  }

  bool Flag() { return (TakeByte() & 1) != 0; }

  std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count && !Empty()) bytes.push_back(TakeByte());
    return bytes;
  }

 private:
  std::uint8_t TakeByte() { return Empty() ? 0 : data_[position_++]; }

  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace fuzz
