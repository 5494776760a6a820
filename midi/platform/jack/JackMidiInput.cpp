#include "midi/platform/jack/JackMidiInput.h"

#include <jack/midiport.h>

#include <cstdint>
#include <cstring>

namespace platform {

namespace {

using EventLength = std::uint32_t;

// Twice the MIDI buffer JACK gives a port by default; a cycle that holds more is handed over in
// parts.
constexpr std::size_t kStagingBytes = 1 << 16;

}  // namespace

std::unique_ptr<JackMidiInput> JackMidiInput::Open(const std::string& clientName, const std::string& portName,
                                                   JackEventReceiver& receiver, const std::string& admitted) {
  std::unique_ptr<JackMidiInput> input(new JackMidiInput(receiver));
  input->client_ =
      JackClientPort::Open(clientName, portName, Direction::Input, &JackMidiInput::Process, input.get(), admitted);
  if (input->client_ == nullptr) return nullptr;
  return input;
}

JackMidiInput::JackMidiInput(JackEventReceiver& receiver)
    : receiver_(receiver), staging_(std::make_unique<BYTE[]>(kStagingBytes)) {}

// JACK's real-time thread.
void JackMidiInput::Process(void* self, const JackClientPort& port, void* portBuffer, jack_nframes_t) noexcept {
  auto& input = *static_cast<JackMidiInput*>(self);
  const jack_nframes_t count = jack_midi_get_event_count(portBuffer);
  if (count == 0) return;
  // Looked at only when something came, which is seldom while the programmer waits.
  switch (port.CycleSenders()) {
    case JackClientPort::Senders::Admitted:
      break;
    case JackClientPort::Senders::AdmittedAndOthers:
      input.receiver_.EventsLost();
      return;
    case JackClientPort::Senders::OthersOnly:
      return;
  }
  std::size_t staged = 0;
  bool lost = false;
  for (jack_nframes_t index = 0; index < count; ++index) {
    jack_midi_event_t event;
    // Fails only once the sender has moved on: what is left is gone.
    if (jack_midi_event_get(&event, portBuffer, index) != 0) {
      lost = true;
      break;
    }
    if (event.size == 0) continue;
    if (staged + sizeof(EventLength) + event.size > kStagingBytes) {
      input.HandOver(staged);
      staged = 0;
    }
    if (sizeof(EventLength) + event.size > kStagingBytes) {
      input.receiver_.ReceiveEvent({event.buffer, event.size});
      continue;
    }
    const EventLength length = static_cast<EventLength>(event.size);
    std::memcpy(input.staging_.get() + staged, &length, sizeof length);
    std::memcpy(input.staging_.get() + staged + sizeof length, event.buffer, event.size);
    staged += sizeof length + event.size;
  }
  input.HandOver(staged);
  if (lost) input.receiver_.EventsLost();
}

void JackMidiInput::HandOver(std::size_t stagedBytes) noexcept {
  for (std::size_t at = 0; at < stagedBytes;) {
    EventLength length = 0;
    std::memcpy(&length, staging_.get() + at, sizeof length);
    receiver_.ReceiveEvent({staging_.get() + at + sizeof length, length});
    at += sizeof length + length;
  }
}

}  // namespace platform
