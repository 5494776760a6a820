#include "midi/platform/jack/JackMidiInput.h"

#include <jack/midiport.h>

namespace platform {

std::unique_ptr<JackMidiInput> JackMidiInput::Open(const std::string& clientName, const std::string& portName,
                                                   JackEventReceiver& receiver) {
  std::unique_ptr<JackMidiInput> input(new JackMidiInput(receiver));
  input->client_ = JackClientPort::Open(clientName, portName, JackClientPort::Direction::Input,
                                        &JackMidiInput::Process, input.get());
  if (input->client_ == nullptr) return nullptr;
  return input;
}

// JACK's real-time thread.
void JackMidiInput::Process(void* self, void* portBuffer, jack_nframes_t) noexcept {
  auto& input = *static_cast<JackMidiInput*>(self);
  const jack_nframes_t count = jack_midi_get_event_count(portBuffer);
  for (jack_nframes_t index = 0; index < count; ++index) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, portBuffer, index) == 0 && event.size > 0)
      input.receiver_.ReceiveEvent({event.buffer, event.size});
  }
}

}  // namespace platform
