#include "midi/platform/MessageLength.h"

#include "midi/platform/SysexBytes.h"

namespace platform {

std::size_t ShortMessageLength(BYTE status) {
  if (status < 0x80 || status == kSysexStart || status == kSysexEnd) return 0;
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 2;
    case 0xF0:
      break;
    default:
      return 3;
  }
  if (status == 0xF1 || status == 0xF3) return 2;
  if (status == 0xF2) return 3;
  return 1;
}

std::span<const BYTE> ShortMessageBytes(DWORD message, std::array<BYTE, 3>& storage) {
  storage = {static_cast<BYTE>(message), static_cast<BYTE>(message >> 8), static_cast<BYTE>(message >> 16)};
  return std::span<const BYTE>(storage).first(ShortMessageLength(storage[0]));
}

}  // namespace platform
