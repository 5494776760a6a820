#include "tests/reliability/RestartableDevice.h"

#include "firmware/Conversation.h"

namespace reliability {

RestartableDevice::RestartableDevice(platform::SimulatedTransport& sim)
    : sim_(sim),
      toolInput_(sim.AddInput(firmware::kDevicePortName)),
      toolOutput_(sim.AddOutput(firmware::kDevicePortName)) {
  sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage& message) { OnSent(message); });
}

RestartableDevice::~RestartableDevice() { sim_.SetOnSent(toolOutput_, nullptr); }

void RestartableDevice::Restart() { Answer(updates_.Restart()); }

// Runs on the sending thread.
void RestartableDevice::OnSent(const platform::SentMessage& message) {
  if (message.isLong) Answer(updates_.Receive(message.bytes));
}

void RestartableDevice::Answer(const std::vector<qlt1::Message>& replies) {
  for (const qlt1::Message& reply : replies) sim_.InjectSysex(toolInput_, reply);
}

void RestartableDevice::ForgetSent() { sim_.ClearSent(toolOutput_); }

}  // namespace reliability
