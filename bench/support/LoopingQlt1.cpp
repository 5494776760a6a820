#include "bench/support/LoopingQlt1.h"

#include <array>

namespace bench {

namespace {

constexpr std::size_t kKindIndex = 6;
constexpr BYTE kBlockAck = 0x01;
constexpr BYTE kFinish = 0x02;
constexpr BYTE kBlock = 0x03;
constexpr BYTE kProbe = 0x04;
constexpr BYTE kReady = 0x05;

}  // namespace

LoopingQlt1::LoopingQlt1(platform::SimulatedTransport& sim, std::function<bool(int updates)> onFinish)
    : sim_(sim),
      onFinish_(std::move(onFinish)),
      toolInput_(sim.AddInput("QZ Korvalith port 2")),
      toolOutput_(sim.AddOutput("QZ Korvalith port 2")) {
  sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage& message) { OnSent(message); });
}

// The transport keeps every message sent for tests to read; forgetting each keeps that record
// from growing with the blocks, which would hide what the tool itself keeps.
void LoopingQlt1::OnSent(const platform::SentMessage& message) {
  sim_.ClearSent(toolOutput_);
  if (message.bytes.size() <= kKindIndex) return;
  switch (message.bytes[kKindIndex]) {
    case kProbe:
      Answer(kReady);
      break;
    case kBlock:
      Answer(kBlockAck);
      break;
    case kFinish:
      if (onFinish_(++updates_)) Answer(kReady);
      break;
    default:
      break;
  }
}

void LoopingQlt1::Answer(BYTE kind) {
  const std::array<BYTE, 8> reply = {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01, kind, 0xF7};
  sim_.InjectSysex(toolInput_, reply);
}

}  // namespace bench
