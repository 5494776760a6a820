#include "tools/qlt1/Emulator.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>

#include "firmware/Conversation.h"

namespace qlt1 {

namespace {

// Also how soon a restart asked for from another thread is done.
constexpr auto kPoll = std::chrono::milliseconds(10);
// A device's own rate when it floods: at most the ports' burst (each event's bookkeeping in the
// MIDI system counted) before a pause. Without it a flood would only show how fast this process
// can write, not how the tool copes with a device.
constexpr std::size_t kPerEventBytes = 16;
constexpr auto kBurstPause = std::chrono::milliseconds(8);

}  // namespace

Emulator::Emulator(EmulatorOptions options, Report report)
    : Qlt1Device(options.model, options.hostility), options_(std::move(options)), report_(std::move(report)) {}

Emulator::~Emulator() = default;

int Emulator::Run(const std::atomic<bool>& stop) {
  if (ports_ == nullptr && !Appear(stop)) return 0;
  while (!stop) {
    if (restartRequested_.exchange(false)) {
      Act(Reboot(), std::chrono::steady_clock::now());
    } else if (std::optional<Message> message = Next()) {
      Handle(*message);
      if (finished_ && options_.exitAfterFinish) return verified_ ? 0 : 1;
    }
  }
  return 0;
}

// False when stopped before the ports appeared.
bool Emulator::Appear(const std::atomic<bool>& stop) {
  const auto appearAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.appearAfterMs);
  while (!stop && std::chrono::steady_clock::now() < appearAt)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (stop) return false;
  OpenPorts();
  return true;
}

void Emulator::OpenPorts() {
  ports_ = OpenDevicePorts(options_.system, options_.portName);
  report_("ports \"" + options_.portName + "\" open on " + options_.system);
}

// With the ports vanished nothing comes any more; the emulator still waits for its stop.
std::optional<Message> Emulator::Next() {
  if (ports_ != nullptr) return ports_->Next(kPoll);
  std::this_thread::sleep_for(kPoll);
  return std::nullopt;
}

void Emulator::Handle(const Message& message) {
  const auto arrivedAt = std::chrono::steady_clock::now();
  if (message.size() == firmware::kBlockLength && options_.blockDelayMs > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.blockDelayMs));
  Act(Answer(message), arrivedAt);
}

void Emulator::Act(const Outcome& outcome, std::chrono::steady_clock::time_point arrivedAt) {
  if (ports_ == nullptr) return;
  if (outcome.fault) report_("fault: " + *outcome.fault);
  if (outcome.block) report_("block " + std::to_string(*outcome.block));
  for (const Message& event : outcome.events) SendAtTheDevicesRate(event);
  if (outcome.ready) {
    readyAt_ = std::chrono::steady_clock::now();
    report_("ready");
  }
  if (outcome.finished) {
    if (!finished_ && options_.reportTiming) ReportTiming(arrivedAt);
    finished_ = true;
    verified_ = ReportFinish();
  }
  if (options_.vanishAfter >= 0 && outcome.block == options_.vanishAfter) {
    ports_.reset();
    report_("vanished after block " + std::to_string(options_.vanishAfter));
  }
}

void Emulator::SendAtTheDevicesRate(const Message& event) {
  if (options_.hostility.Any()) {
    if (burstBytes_ + event.size() + kPerEventBytes > ports_->BurstBytes()) {
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
  report_(text);
}

// Writes the image when asked and says whether it equals the built-in table.
bool Emulator::ReportFinish() {
  const bool verified = ImageVerified();
  if (!options_.imagePath.empty()) {
    std::ofstream image(options_.imagePath, std::ios::binary);
    WriteImage(image);
  }
  report_("finish after " + std::to_string(BlocksReceived().size()) +
          " blocks: " + (verified ? "image verified" : "image differs from the built-in table"));
  return verified;
}

}  // namespace qlt1
