#pragma once

// The bytes the loopback tests send, shared by the JACK and the ALSA peers' tests.

#include <cstddef>
#include <vector>

namespace testsupport {

using Bytes = std::vector<unsigned char>;

// A System Exclusive message of `size` bytes whose body tells `tag` apart.
inline Bytes Sysex(std::size_t size, unsigned tag) {
  Bytes message(size);
  for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<unsigned char>((i * 7 + tag) & 0x7F);
  message.front() = 0xF0;
  message.back() = 0xF7;
  return message;
}

}  // namespace testsupport
