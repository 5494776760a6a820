#pragma once

#include <cstdint>

namespace framework {

// The platform's window message numbers that the tool uses.
inline constexpr std::uint32_t WM_QUERYENDSESSION = 0x0011;
inline constexpr std::uint32_t WM_USER = 0x0400;

// One window message as a window procedure receives it; Result is the procedure's answer.
struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

}  // namespace framework
