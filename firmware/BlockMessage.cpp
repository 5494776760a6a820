// A block's message, built anew from the table in place for every send.
#include "firmware/FirmwareImage.h"
#include "firmware/RowMessage.h"

namespace firmware {

std::array<std::uint8_t, kBlockLength> MessageOfRow(const std::uint32_t* row) {
  std::array<std::uint8_t, kBlockLength> message{};
  for (std::size_t i = 0; i < kBlockLength; ++i) message[i] = static_cast<std::uint8_t>(row[i] & 0xFFu);
  return message;
}

std::array<std::uint8_t, kBlockLength> BlockMessage(std::uint8_t block) {
  return MessageOfRow(&FirmwareImage().BlockData[block * kBlockLength]);
}

}  // namespace firmware
