#include "midi/platform/jack/JackWatch.h"

#include "midi/platform/jack/JackLibrary.h"

namespace platform {

// The shutdown callback comes from the client's own server channel, so it needs no activation.
std::unique_ptr<JackWatch> JackWatch::Connect(const std::string& clientName) {
  jack_client_t* client = OpenJackClient(clientName);
  if (client == nullptr) return nullptr;
  std::unique_ptr<JackWatch> watch(new JackWatch(client));
  jack_on_shutdown(client, &JackWatch::OnShutdown, watch.get());
  return watch;
}

JackWatch::JackWatch(jack_client_t* client) : client_(client) {}

JackWatch::~JackWatch() { jack_client_close(client_); }

std::vector<std::string> JackWatch::MidiPorts(unsigned long flags) const {
  std::vector<std::string> names;
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
  if (ports == nullptr) return names;
  for (const char** port = ports; *port != nullptr; ++port) names.emplace_back(*port);
  jack_free(ports);
  return names;
}

void JackWatch::OnShutdown(void* watch) {
  static_cast<JackWatch*>(watch)->gone_.store(true, std::memory_order_release);
}

}  // namespace platform
