#pragma once

// The QLT-1 on the simulated transport: an input and an output port named like the device, and
// the one device model (qlt1::Qlt1Device) answering from the sending thread. What the tool sends
// it is forgotten by the transport at once (the device has taken it), so that long runs pile
// nothing up. It must outlive the transport's use (its hook stays with the transport).

#include <functional>
#include <string>

#include "firmware/Conversation.h"
#include "midi/platform/simulated/SimulatedTransport.h"
#include "tools/qlt1/Qlt1Device.h"

namespace testsupport {

class SimulatedQlt1 final : public qlt1::Qlt1Device {
 public:
  // `restartAfterFinish`, when given, runs on the sending thread after each FinishRequest with the
  // number of finishes so far; while it answers true the device restarts then, so that the tool
  // runs update after update.
  explicit SimulatedQlt1(platform::SimulatedTransport& sim, qlt1::Qlt1Model::Options options = {},
                         const std::string& portName = firmware::kDevicePortName,
                         std::function<bool(int finishes)> restartAfterFinish = {});
  ~SimulatedQlt1();

  // The device's ports as the tool sees them: it receives from the first and sends to the second.
  platform::SimulatedTransport::DeviceId ToolInput() const { return toolInput_; }
  platform::SimulatedTransport::DeviceId ToolOutput() const { return toolOutput_; }

  // Off and on again: what it had received is gone, and it announces itself with ReadyReply.
  void Restart();

 private:
  void OnSent(const platform::SentMessage& message);
  void Send(const std::vector<qlt1::Message>& events);

  platform::SimulatedTransport& sim_;
  const std::function<bool(int)> restartAfterFinish_;
  platform::SimulatedTransport::DeviceId toolInput_;
  platform::SimulatedTransport::DeviceId toolOutput_;
};

}  // namespace testsupport
