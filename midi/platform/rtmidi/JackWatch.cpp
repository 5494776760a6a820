#include "midi/platform/rtmidi/JackWatch.h"

#include "midi/platform/rtmidi/SystemProbe.h"

namespace platform {

// The shutdown callback comes from the client's own server channel, so it needs no activation.
std::shared_ptr<JackWatch> JackWatch::Connect(const std::string& clientName) {
  jack_client_t* client = OpenJackClient(clientName);
  if (client == nullptr) return nullptr;
  std::shared_ptr<JackWatch> watch(new JackWatch(client));
  jack_set_process_callback(client, &JackWatch::OnProcess, watch.get());
  jack_on_shutdown(client, &JackWatch::OnShutdown, watch.get());
  return watch;
}

JackWatch::JackWatch(jack_client_t* client)
    : client_(client), midiPortBytes_(jack_port_type_get_buffer_size(client, JACK_DEFAULT_MIDI_TYPE)) {}

// Closing also stops the process thread, which uses this object.
JackWatch::~JackWatch() { jack_client_close(client_); }

std::vector<std::string> JackWatch::MidiPorts(unsigned long flags) const {
  std::vector<std::string> names;
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
  if (ports == nullptr) return names;
  for (const char** port = ports; *port != nullptr; ++port) names.emplace_back(*port);
  jack_free(ports);
  return names;
}

void JackWatch::CountCycles() {
  if (counting_) return;
  counting_ = true;
  if (jack_activate(client_) != 0) gone_.store(true, std::memory_order_release);
}

// JACK's real-time thread: counting is all it may do here.
int JackWatch::OnProcess(jack_nframes_t, void* watch) {
  static_cast<JackWatch*>(watch)->cycles_.fetch_add(1, std::memory_order_acq_rel);
  return 0;
}

void JackWatch::OnShutdown(void* watch) { static_cast<JackWatch*>(watch)->gone_.store(true, std::memory_order_release); }

}  // namespace platform
