#include "tests/midi/platform/jack/ForgingClient.h"

#include <jack/midiport.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "midi/platform/jack/JackLibrary.h"

namespace testsupport {

ForgingClient::ForgingClient(std::vector<Bytes> messages, bool repeat)
    : messages_(std::move(messages)), repeat_(repeat) {
  client_ = platform::OpenJackClient("forger-" + std::to_string(getpid()));
  if (client_ == nullptr) throw std::runtime_error("the forging client found no JACK server");
  port_ = jack_port_register(client_, "replies", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (port_ == nullptr || jack_set_process_callback(client_, &ForgingClient::Process, this) != 0 ||
      jack_activate(client_) != 0) {
    jack_client_close(client_);
    throw std::runtime_error("the forging client cannot make its port");
  }
}

ForgingClient::~ForgingClient() {
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::vector<std::string> ForgingClient::ConnectionsOf(const std::string& port) const {
  std::vector<std::string> names;
  const jack_port_t* found = jack_port_by_name(client_, port.c_str());
  if (found == nullptr) return names;
  const char** connections = jack_port_get_all_connections(client_, found);
  if (connections == nullptr) return names;
  for (const char** name = connections; *name != nullptr; ++name) names.emplace_back(*name);
  jack_free(connections);
  return names;
}

// The victim is set once; the process callback reads it from then on.
bool ForgingClient::ConnectUntilUndone(const std::string& victim, std::chrono::milliseconds limit) {
  if (!victimSet_.load()) {
    if (victim.size() >= victim_.size()) return false;
    std::memcpy(victim_.data(), victim.c_str(), victim.size() + 1);
    victimSet_.store(true);
  } else if (victim != victim_.data()) {
    return false;
  }
  if (jack_connect(client_, OutputName().c_str(), victim.c_str()) != 0) return false;
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (jack_port_connected_to(port_, victim.c_str()) != 0) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// JACK's real-time thread. The connection is looked up in the graph of this very cycle, which is
// the graph that carries what is written now to the victim's port.
int ForgingClient::Process(jack_nframes_t frames, void* self) {
  auto& forger = *static_cast<ForgingClient*>(self);
  void* buffer = jack_port_get_buffer(forger.port_, frames);
  jack_midi_clear_buffer(buffer);
  if (!forger.victimSet_.load() || jack_port_connected_to(forger.port_, forger.victim_.data()) == 0) return 0;
  if (forger.repeat_) forger.next_ = 0;
  bool wrote = false;
  for (; forger.next_ < forger.messages_.size(); ++forger.next_) {
    const Bytes& message = forger.messages_[forger.next_];
    jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, message.size());
    if (event == nullptr) break;
    std::memcpy(event, message.data(), message.size());
    wrote = true;
    ++forger.delivered_;
  }
  if (wrote) ++forger.cyclesDelivered_;
  return 0;
}

}  // namespace testsupport
