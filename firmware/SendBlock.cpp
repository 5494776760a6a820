// Hands one block's message to the output port; whatever the port raises goes to the caller as is.
#include "firmware/SendBlock.h"

#include "firmware/FirmwareImage.h"

namespace firmware {

void SendBlock(midi::TMidiOutput& output, std::uint8_t block) {
  const std::array<std::uint8_t, kBlockLength> message = BlockMessage(block);
  // SendLongMsg copies the bytes before it returns, so the message need not outlive the call.
  output.SendLongMsg(message.data(), static_cast<WORD>(message.size()));
}

}  // namespace firmware
