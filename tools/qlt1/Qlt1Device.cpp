#include "tools/qlt1/Qlt1Device.h"

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace qlt1 {

Qlt1Device::Qlt1Device(Qlt1Model::Options options, Hostility hostility)
    : model_(firmware::FirmwareImage(), options), misbehaviour_(hostility) {}

Qlt1Device::Outcome Qlt1Device::Answer(std::span<const std::uint8_t> message) {
  std::lock_guard lock(mutex_);
  const std::size_t blocksBefore = model_.BlocksReceived().size();
  const std::size_t faultsBefore = model_.Faults().size();
  const int finishesBefore = model_.Finishes();
  Outcome outcome = Misbehave(model_.Receive(message));
  if (model_.BlocksReceived().size() > blocksBefore) outcome.block = model_.BlocksReceived().back();
  if (model_.Faults().size() > faultsBefore) outcome.fault = model_.Faults().back();
  outcome.finished = model_.Finishes() > finishesBefore;
  if (model_.BlocksReceived().size() >= silentAfter_) outcome.events.clear();
  return outcome;
}

Qlt1Device::Outcome Qlt1Device::Reboot() {
  std::lock_guard lock(mutex_);
  return Misbehave(model_.Restart());
}

Qlt1Device::Outcome Qlt1Device::Misbehave(const std::vector<Message>& replies) {
  Outcome outcome;
  for (const Message& reply : replies) {
    std::vector<Message> events = misbehaviour_.Around(reply);
    outcome.events.insert(outcome.events.end(), std::make_move_iterator(events.begin()),
                          std::make_move_iterator(events.end()));
  }
  outcome.ready = !replies.empty() && replies.back() == firmware::ConversationBytes(firmware::kReadyReply);
  return outcome;
}

void Qlt1Device::FallSilentAfter(std::size_t blocks) {
  std::lock_guard lock(mutex_);
  silentAfter_ = blocks;
}

int Qlt1Device::Probes() const {
  std::lock_guard lock(mutex_);
  return model_.Probes();
}

int Qlt1Device::Finishes() const {
  std::lock_guard lock(mutex_);
  return model_.Finishes();
}

int Qlt1Device::BadImages() const {
  std::lock_guard lock(mutex_);
  return model_.BadImages();
}

std::vector<int> Qlt1Device::BlocksReceived() const {
  std::lock_guard lock(mutex_);
  return model_.BlocksReceived();
}

std::vector<std::string> Qlt1Device::Faults() const {
  std::lock_guard lock(mutex_);
  return model_.Faults();
}

bool Qlt1Device::ImageVerified() const {
  std::lock_guard lock(mutex_);
  return model_.ImageVerified();
}

std::vector<std::uint8_t> Qlt1Device::ReceivedBlock(int block) const {
  std::lock_guard lock(mutex_);
  const std::uint32_t* row = model_.Received().BlockData + block * firmware::kBlockLength;
  return {row, row + firmware::kBlockLength};
}

void Qlt1Device::WriteImage(std::ostream& out) const {
  std::lock_guard lock(mutex_);
  out.write(reinterpret_cast<const char*>(&model_.Received()), sizeof(firmware::FirmwareImageTable));
}

}  // namespace qlt1
