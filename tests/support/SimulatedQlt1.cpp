#include "tests/support/SimulatedQlt1.h"

namespace testsupport {

SimulatedQlt1::SimulatedQlt1(platform::SimulatedTransport& sim, qlt1::Qlt1Model::Options options,
                             const std::string& portName)
    : sim_(sim),
      toolInput_(sim.AddInput(portName)),
      toolOutput_(sim.AddOutput(portName)),
      model_(firmware::FirmwareImage(), options) {
  sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage& message) { OnSent(message); });
}

SimulatedQlt1::~SimulatedQlt1() { sim_.SetOnSent(toolOutput_, nullptr); }

// Runs on the sending thread; the replies go out after the model is released.
void SimulatedQlt1::OnSent(const platform::SentMessage& message) {
  std::vector<qlt1::Message> replies;
  {
    std::lock_guard lock(mutex_);
    if (!message.isLong) {
      shortMessages_.push_back("a short message " + std::to_string(message.shortMessage));
      return;
    }
    replies = model_.Receive(message.bytes);
    if (model_.BlocksReceived().size() >= silentAfter_) return;
  }
  for (const qlt1::Message& reply : replies) sim_.InjectSysex(toolInput_, reply);
}

void SimulatedQlt1::FallSilentAfter(std::size_t blocks) {
  std::lock_guard lock(mutex_);
  silentAfter_ = blocks;
}

int SimulatedQlt1::ProbeCount() const {
  std::lock_guard lock(mutex_);
  return model_.Probes();
}

int SimulatedQlt1::FinishCount() const {
  std::lock_guard lock(mutex_);
  return model_.Finishes();
}

std::vector<int> SimulatedQlt1::BlocksReceived() const {
  std::lock_guard lock(mutex_);
  return model_.BlocksReceived();
}

std::vector<std::string> SimulatedQlt1::Faults() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> faults = model_.Faults();
  faults.insert(faults.end(), shortMessages_.begin(), shortMessages_.end());
  return faults;
}

std::vector<BYTE> SimulatedQlt1::ReceivedBlock(int block) const {
  std::lock_guard lock(mutex_);
  const std::uint32_t* row = model_.Received().BlockData + block * firmware::kBlockLength;
  return {row, row + firmware::kBlockLength};
}

}  // namespace testsupport
