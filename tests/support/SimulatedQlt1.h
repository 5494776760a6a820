#pragma once

// The QLT-1 on the simulated transport: an input and an output port named like the device, and
// the device's side of the conversation answering from the sending thread.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "firmware/Conversation.h"
#include "midi/platform/simulated/SimulatedTransport.h"
#include "tools/qlt1/Qlt1Model.h"

namespace testsupport {

class SimulatedQlt1 {
 public:
  explicit SimulatedQlt1(platform::SimulatedTransport& sim, qlt1::Qlt1Model::Options options = {},
                         const std::string& portName = firmware::kDevicePortName);
  ~SimulatedQlt1();
  SimulatedQlt1(const SimulatedQlt1&) = delete;
  SimulatedQlt1& operator=(const SimulatedQlt1&) = delete;

  // The device's ports as the tool sees them: it receives from the first and sends to the second.
  platform::SimulatedTransport::DeviceId ToolInput() const { return toolInput_; }
  platform::SimulatedTransport::DeviceId ToolOutput() const { return toolOutput_; }

  // From now on the device answers nothing once it has received `blocks` blocks, as one that hangs
  // mid-update, so that a test can act while the update is surely under way.
  void FallSilentAfter(std::size_t blocks);

  int ProbeCount() const;
  int FinishCount() const;
  std::vector<int> BlocksReceived() const;
  std::vector<std::string> Faults() const;
  // The bytes of a block as the device received it.
  std::vector<BYTE> ReceivedBlock(int block) const;

 private:
  void OnSent(const platform::SentMessage& message);

  platform::SimulatedTransport& sim_;
  platform::SimulatedTransport::DeviceId toolInput_;
  platform::SimulatedTransport::DeviceId toolOutput_;
  mutable std::mutex mutex_;
  qlt1::Qlt1Model model_;
  std::vector<std::string> shortMessages_;
  std::size_t silentAfter_ = SIZE_MAX;
};

}  // namespace testsupport
