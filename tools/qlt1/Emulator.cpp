#include "tools/qlt1/Emulator.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

namespace qlt1 {

namespace {

constexpr auto kStopPoll = std::chrono::milliseconds(100);

RtMidi::Api ApiOf(const std::string& system) { return system == "alsa" ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK; }

void Report(const std::string& line) { std::cout << "qlt1-emulator: " << line << std::endl; }

void Quiet(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

Emulator::Emulator(EmulatorOptions options) : options_(std::move(options)), model_(firmware::FirmwareImage(), options_.model) {}

Emulator::~Emulator() { ClosePorts(); }

int Emulator::Run(const std::atomic<bool>& stop) {
  const auto appearAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.appearAfterMs);
  while (!stop && std::chrono::steady_clock::now() < appearAt) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (stop) return 0;
  OpenPorts();
  Message message;
  while (NextMessage(stop, message)) {
    Handle(message);
    if (finished_ && options_.exitAfterFinish) return verified_ ? 0 : 1;
  }
  return 0;
}

void Emulator::OpenPorts() {
  toTool_ = std::make_unique<RtMidiOut>(ApiOf(options_.system), "QLT-1");
  fromTool_ = std::make_unique<RtMidiIn>(ApiOf(options_.system), "QLT-1 in", 4096);
  toTool_->setErrorCallback(&Quiet);
  fromTool_->setErrorCallback(&Quiet);
  fromTool_->ignoreTypes(false, true, true);
  fromTool_->setCallback(&Emulator::OnMidiIn, this);
  toTool_->openVirtualPort(options_.portName);
  fromTool_->openVirtualPort(options_.portName);
  Report("ports \"" + options_.portName + "\" open on " + options_.system);
}

void Emulator::ClosePorts() {
  fromTool_.reset();
  toTool_.reset();
}

// RtMidi's thread: queue the message for the main loop.
void Emulator::OnMidiIn(double, std::vector<unsigned char>* message, void* emulator) {
  auto& self = *static_cast<Emulator*>(emulator);
  {
    std::lock_guard lock(self.mutex_);
    self.inbox_.emplace_back(message->begin(), message->end());
  }
  self.arrived_.notify_one();
}

bool Emulator::NextMessage(const std::atomic<bool>& stop, Message& message) {
  std::unique_lock lock(mutex_);
  while (inbox_.empty()) {
    if (stop) return false;
    arrived_.wait_for(lock, kStopPoll);
  }
  message = std::move(inbox_.front());
  inbox_.pop_front();
  return true;
}

void Emulator::Handle(const Message& message) {
  if (toTool_ == nullptr) return;
  const auto arrivedAt = std::chrono::steady_clock::now();
  const std::size_t blocksBefore = model_.BlocksReceived().size();
  const std::size_t faultsBefore = model_.Faults().size();
  const int finishesBefore = model_.Finishes();
  const bool isBlock = message.size() == firmware::kBlockLength;
  if (isBlock && options_.blockDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options_.blockDelayMs));
  const std::vector<Message> replies = model_.Receive(message);
  if (model_.Faults().size() > faultsBefore) Report("fault: " + model_.Faults().back());
  if (model_.BlocksReceived().size() > blocksBefore) Report("block " + std::to_string(model_.BlocksReceived().back()));
  for (const Message& reply : replies) toTool_->sendMessage(&reply);
  if (!replies.empty() && replies.back() == ConversationMessage(kReadyReply)) {
    readyAt_ = std::chrono::steady_clock::now();
    Report("ready");
  }
  if (model_.Finishes() > finishesBefore) {
    if (!finished_ && options_.reportTiming) ReportTiming(arrivedAt);
    finished_ = true;
    verified_ = ReportFinish();
  }
  if (options_.vanishAfter >= 0 && model_.BlocksReceived().size() > blocksBefore &&
      model_.BlocksReceived().back() == options_.vanishAfter) {
    ClosePorts();
    Report("vanished after block " + std::to_string(options_.vanishAfter));
  }
}

// From the moment the last ReadyReply went out, so a restarted transfer counts from its restart.
void Emulator::ReportTiming(std::chrono::steady_clock::time_point finishedAt) {
  const std::chrono::duration<double, std::milli> elapsed = finishedAt - readyAt_;
  char text[64];
  std::snprintf(text, sizeof text, "ready to finish %.3f ms", elapsed.count());
  Report(text);
}

// Writes the image when asked and says whether it equals the built-in table.
bool Emulator::ReportFinish() {
  const bool verified = model_.ImageVerified();
  if (!options_.imagePath.empty()) {
    std::ofstream image(options_.imagePath, std::ios::binary);
    image.write(reinterpret_cast<const char*>(&model_.Received()), sizeof(firmware::FirmwareImageTable));
  }
  Report("finish after " + std::to_string(model_.BlocksReceived().size()) + " blocks: " +
         (verified ? "image verified" : "image differs from the built-in table"));
  return verified;
}

}  // namespace qlt1
