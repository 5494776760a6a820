#include "bench/support/LoopingQlt1.h"

#include "firmware/Conversation.h"

namespace bench {

LoopingQlt1::LoopingQlt1(platform::SimulatedTransport& sim, std::function<bool(int updates)> onFinish)
    : sim_(sim),
      onFinish_(std::move(onFinish)),
      toolInput_(sim.AddInput(firmware::kDevicePortName)),
      toolOutput_(sim.AddOutput(firmware::kDevicePortName)) {
  sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage& message) { OnSent(message); });
}

// The transport keeps every message sent for tests to read; forgetting each keeps that record
// from growing with the blocks, which would hide what the tool itself keeps.
void LoopingQlt1::OnSent(const platform::SentMessage& message) {
  sim_.ClearSent(toolOutput_);
  if (message.bytes.size() <= firmware::kKindIndex) return;
  switch (message.bytes[firmware::kKindIndex]) {
    case firmware::kProbeRequest:
      Answer(firmware::kReadyReply);
      break;
    case firmware::kBlock:
      Answer(firmware::kBlockAckReply);
      break;
    case firmware::kFinishRequest:
      if (onFinish_(++updates_)) Answer(firmware::kReadyReply);
      break;
    default:
      break;
  }
}

void LoopingQlt1::Answer(BYTE kind) { sim_.InjectSysex(toolInput_, firmware::ConversationMessage(kind)); }

}  // namespace bench
