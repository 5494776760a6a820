#include "tests/reliability/RestartableDevice.h"

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace reliability {

namespace {

std::unique_ptr<qlt1::Qlt1Model> FreshModel() {
  return std::make_unique<qlt1::Qlt1Model>(firmware::FirmwareImage(), qlt1::Qlt1Model::Options{});
}

}  // namespace

RestartableDevice::RestartableDevice(platform::SimulatedTransport& sim)
    : sim_(sim),
      toolInput_(sim.AddInput(firmware::kDevicePortName)),
      toolOutput_(sim.AddOutput(firmware::kDevicePortName)),
      model_(FreshModel()) {
  sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage& message) { OnSent(message); });
}

RestartableDevice::~RestartableDevice() { sim_.SetOnSent(toolOutput_, nullptr); }

// A fresh model is ready once it has seen a probe; the one it is shown here stands for the
// device's own start-up, and its answer is the ReadyReply a restarted device sends.
void RestartableDevice::Restart() {
  std::vector<qlt1::Message> replies;
  {
    std::lock_guard lock(mutex_);
    earlierFaults_.insert(earlierFaults_.end(), model_->Faults().begin(), model_->Faults().end());
    model_ = FreshModel();
    replies = model_->Receive(qlt1::MessageOfKind(firmware::kProbeRequest));
  }
  Answer(replies);
}

// Runs on the sending thread; the replies go out once the model is released.
void RestartableDevice::OnSent(const platform::SentMessage& message) {
  std::vector<qlt1::Message> replies;
  {
    std::lock_guard lock(mutex_);
    if (!message.isLong) return;
    const int finishesBefore = model_->Finishes();
    replies = model_->Receive(message.bytes);
    if (model_->Finishes() > finishesBefore) {
      ++finishes_;
      if (!model_->ImageVerified()) ++badImages_;
    }
  }
  Answer(replies);
}

void RestartableDevice::Answer(const std::vector<qlt1::Message>& replies) {
  for (const qlt1::Message& reply : replies) sim_.InjectSysex(toolInput_, reply);
}

void RestartableDevice::ForgetSent() { sim_.ClearSent(toolOutput_); }

int RestartableDevice::Finishes() const {
  std::lock_guard lock(mutex_);
  return finishes_;
}

int RestartableDevice::BadImages() const {
  std::lock_guard lock(mutex_);
  return badImages_;
}

std::vector<std::string> RestartableDevice::Faults() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> faults = earlierFaults_;
  faults.insert(faults.end(), model_->Faults().begin(), model_->Faults().end());
  return faults;
}

}  // namespace reliability
