#include "tests/reliability/UpdatesCounted.h"

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace reliability {

namespace {

std::unique_ptr<qlt1::Qlt1Model> FreshModel() {
  return std::make_unique<qlt1::Qlt1Model>(firmware::FirmwareImage(), qlt1::Qlt1Model::Options{});
}

}  // namespace

UpdatesCounted::UpdatesCounted() : model_(FreshModel()) {}

// A fresh model is ready once it has seen a probe; the one it is shown here stands for the
// device's own start-up.
std::vector<qlt1::Message> UpdatesCounted::Restart() {
  std::lock_guard lock(mutex_);
  earlierFaults_.insert(earlierFaults_.end(), model_->Faults().begin(), model_->Faults().end());
  model_ = FreshModel();
  return model_->Receive(firmware::ConversationBytes(firmware::kProbeRequest));
}

std::vector<qlt1::Message> UpdatesCounted::Receive(std::span<const std::uint8_t> message) {
  std::lock_guard lock(mutex_);
  const int finishesBefore = model_->Finishes();
  std::vector<qlt1::Message> replies = model_->Receive(message);
  if (model_->Finishes() > finishesBefore) {
    ++finishes_;
    if (!model_->ImageVerified()) ++badImages_;
  }
  return replies;
}

int UpdatesCounted::Finishes() const {
  std::lock_guard lock(mutex_);
  return finishes_;
}

int UpdatesCounted::BadImages() const {
  std::lock_guard lock(mutex_);
  return badImages_;
}

std::vector<std::string> UpdatesCounted::Faults() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> faults = earlierFaults_;
  faults.insert(faults.end(), model_->Faults().begin(), model_->Faults().end());
  return faults;
}

}  // namespace reliability
