#include "tools/qlt1/Emulator.h"
#include "firmware/Conversation.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>

namespace qlt1 {

namespace {

constexpr auto kStopPoll = std::chrono::milliseconds(100);
// A device's own rate: at most this many bytes (counting each event's bookkeeping in the MIDI
// system) before a pause, about 13,000 short messages a second, what a USB MIDI interface can
// carry. Without it a flood would only show how fast this process can write, not how the tool
// copes with a device. A burst stays below the 200 events that the ALSA sequencer holds for a
// client by default; beyond them it drops what arrives for that client.
constexpr std::size_t kBurstBytes = 2048;
constexpr std::size_t kPerEventBytes = 16;
constexpr auto kBurstPause = std::chrono::milliseconds(8);

void Report(const std::string& line) { std::cout << "qlt1-emulator: " << line << std::endl; }

}  // namespace

Emulator::Emulator(EmulatorOptions options)
    : options_(std::move(options)),
      model_(firmware::FirmwareImage(), options_.model),
      misbehaviour_(options_.hostility) {}

Emulator::~Emulator() = default;

int Emulator::Run(const std::atomic<bool>& stop) {
  const auto appearAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.appearAfterMs);
  while (!stop && std::chrono::steady_clock::now() < appearAt)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
  ports_ = OpenDevicePorts(options_.system, options_.portName);
  Report("ports \"" + options_.portName + "\" open on " + options_.system);
}

// With the ports vanished nothing comes any more; the emulator still waits for its stop.
bool Emulator::NextMessage(const std::atomic<bool>& stop, Message& message) {
  while (!stop) {
    if (ports_ == nullptr) {
      std::this_thread::sleep_for(kStopPoll);
      continue;
    }
    if (std::optional<Message> next = ports_->Next(kStopPoll)) {
      message = std::move(*next);
      return true;
    }
  }
  return false;
}

void Emulator::Handle(const Message& message) {
  if (ports_ == nullptr) return;
  const auto arrivedAt = std::chrono::steady_clock::now();
  const std::size_t blocksBefore = model_.BlocksReceived().size();
  const std::size_t faultsBefore = model_.Faults().size();
  const int finishesBefore = model_.Finishes();
  const bool isBlock = message.size() == firmware::kBlockLength;
  if (isBlock && options_.blockDelayMs > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.blockDelayMs));
  const std::vector<Message> replies = model_.Receive(message);
  if (model_.Faults().size() > faultsBefore) Report("fault: " + model_.Faults().back());
  if (model_.BlocksReceived().size() > blocksBefore) Report("block " + std::to_string(model_.BlocksReceived().back()));
  Answer(replies);
  if (!replies.empty() && replies.back() == firmware::ConversationBytes(firmware::kReadyReply)) {
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
    ports_.reset();
    Report("vanished after block " + std::to_string(options_.vanishAfter));
  }
}

void Emulator::Answer(const std::vector<Message>& replies) {
  for (const Message& reply : replies) {
    for (const Message& event : misbehaviour_.Before(reply)) SendAtTheDevicesRate(event);
    SendAtTheDevicesRate(reply);
  }
}

void Emulator::SendAtTheDevicesRate(const Message& event) {
  if (options_.hostility.Any()) {
    if (burstBytes_ + event.size() + kPerEventBytes > kBurstBytes) {
      std::this_thread::sleep_for(kBurstPause);
      burstBytes_ = 0;
    }
    burstBytes_ += event.size() + kPerEventBytes;
  }
  ports_->Send(event);
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
  Report("finish after " + std::to_string(model_.BlocksReceived().size()) +
         " blocks: " + (verified ? "image verified" : "image differs from the built-in table"));
  return verified;
}

}  // namespace qlt1
