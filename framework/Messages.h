#pragma once

#include <cstdint>

namespace framework {

// The platform's window message numbers that the tool uses (WM_QUERYENDSESSION, WM_USER), named
// apart from the system header's macros so that both may be in one file.
inline constexpr std::uint32_t kQueryEndSession = 0x0011;
inline constexpr std::uint32_t kFirstUserMessage = 0x0400;

// One window message as a window procedure receives it; Result is the procedure's answer.
struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

}  // namespace framework
