#pragma once

// The real-time messages an input port can drop, and a set of them held in one byte, bit n for
// element n.

#include <cstdint>
#include <initializer_list>

namespace midi {

enum TMidiMsg : std::uint8_t {
  msgActiveSensing = 0,  // 0xFE
  msgMidiTimeCode = 1,   // drops timing clock, 0xF8
};

class TMidiMsgFilter {
 public:
  constexpr TMidiMsgFilter() = default;
  constexpr TMidiMsgFilter(std::initializer_list<TMidiMsg> elements) {
    for (TMidiMsg element : elements) bits_ |= Bit(element);
  }

  constexpr bool Contains(TMidiMsg element) const { return (bits_ & Bit(element)) != 0; }
  constexpr std::uint8_t Bits() const { return bits_; }
  friend constexpr bool operator==(TMidiMsgFilter, TMidiMsgFilter) = default;

 private:
  static constexpr std::uint8_t Bit(TMidiMsg element) { return static_cast<std::uint8_t>(1u << element); }
  std::uint8_t bits_ = 0;
};

}  // namespace midi
