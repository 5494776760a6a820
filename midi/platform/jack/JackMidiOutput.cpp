#include "midi/platform/jack/JackMidiOutput.h"

#include <jack/midiport.h>

#include <chrono>
#include <optional>
#include <thread>

namespace platform {

namespace {

// Several block messages, and floods of short ones, without waiting.
constexpr std::size_t kQueueBytes = 1 << 16;
// A server runs a cycle every few milliseconds; one that runs none for this long is not usable.
constexpr std::chrono::seconds kFirstCycleLimit{5};
constexpr std::chrono::milliseconds kCyclePoll{1};

}  // namespace

// The largest event is known once the first cycle has looked at an empty buffer.
std::unique_ptr<JackMidiOutput> JackMidiOutput::Open(const std::string& clientName, const std::string& portName) {
  std::unique_ptr<JackMidiOutput> output(new JackMidiOutput());
  output->client_ =
      JackClientPort::Open(clientName, portName, Direction::Output, &JackMidiOutput::Process, output.get());
  if (output->client_ == nullptr) return nullptr;
  const auto giveUp = std::chrono::steady_clock::now() + kFirstCycleLimit;
  while (output->LargestEvent() == 0) {
    if (output->client_->ServerGone() || std::chrono::steady_clock::now() >= giveUp) return nullptr;
    std::this_thread::sleep_for(kCyclePoll);
  }
  return output;
}

JackMidiOutput::JackMidiOutput() : queue_(kQueueBytes) {}

bool JackMidiOutput::TryQueue(std::span<const BYTE> bytes) {
  if (bytes.empty() || bytes.size() > LargestEvent()) return false;
  if (!queue_.TryPush(bytes)) return false;
  queued_.fetch_add(1, std::memory_order_release);
  return true;
}

bool JackMidiOutput::Queue(std::span<const BYTE> bytes) {
  if (bytes.empty() || bytes.size() > LargestEvent()) return false;
  while (!TryQueue(bytes)) {
    if (client_->ServerGone()) return false;
    std::this_thread::sleep_for(kCyclePoll);
  }
  return true;
}

// JACK's real-time thread. An event that does not fit in what is left of this cycle's buffer
// stays queued, and everything after it too, so the order holds.
void JackMidiOutput::Process(void* self, const JackClientPort&, void* portBuffer, jack_nframes_t) noexcept {
  auto& output = *static_cast<JackMidiOutput*>(self);
  jack_midi_clear_buffer(portBuffer);
  output.largestEvent_.store(jack_midi_max_event_size(portBuffer), std::memory_order_relaxed);
  while (const std::optional<std::size_t> length = output.queue_.NextLength()) {
    if (*length > jack_midi_max_event_size(portBuffer)) break;
    jack_midi_data_t* event = jack_midi_event_reserve(portBuffer, 0, *length);
    if (event == nullptr) break;
    output.queue_.CopyNext({event, *length});
    output.queue_.Pop();
    output.written_.fetch_add(1, std::memory_order_release);
  }
}

}  // namespace platform
