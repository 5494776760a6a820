#include "midi/platform/jack/JackClientPort.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "midi/platform/jack/JackLibrary.h"

namespace platform {

namespace {
// A connection is taken into the graph at the start of a cycle, every few milliseconds.
constexpr std::chrono::seconds kConnectionLimit{5};
constexpr std::chrono::milliseconds kConnectionPoll{1};
// Cycles to wait once the connection shows: the one under way may have been ordered without it.
constexpr std::uint64_t kSettlingCycles = 2;
}  // namespace

std::unique_ptr<JackClientPort> JackClientPort::Open(const std::string& clientName, const std::string& portName,
                                                     Direction direction, Process process, void* context) {
  jack_client_t* client = OpenJackClient(clientName);
  if (client == nullptr) return nullptr;
  std::unique_ptr<JackClientPort> port(new JackClientPort(client, direction, process, context));
  const unsigned long flags = direction == Direction::Input ? JackPortIsInput : JackPortIsOutput;
  port->port_ = jack_port_register(client, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
  if (port->port_ == nullptr) return nullptr;
  jack_set_process_callback(client, &JackClientPort::OnProcess, port.get());
  jack_on_shutdown(client, &JackClientPort::OnShutdown, port.get());
  if (jack_activate(client) != 0) return nullptr;
  return port;
}

JackClientPort::JackClientPort(jack_client_t* client, Direction direction, Process process, void* context)
    : client_(client), direction_(direction), process_(process), context_(context) {}

// Deactivating waits until the process thread has left its cycle and stopped; only then may
// anything the callback reads be freed.
JackClientPort::~JackClientPort() {
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::string JackClientPort::Name() const { return jack_port_name(port_); }

bool JackClientPort::ConnectWith(const std::string& otherPort) {
  const std::string own = Name();
  const int result = direction_ == Direction::Output ? jack_connect(client_, own.c_str(), otherPort.c_str())
                                                     : jack_connect(client_, otherPort.c_str(), own.c_str());
  if (result != 0 && result != EEXIST) return false;
  const auto giveUp = std::chrono::steady_clock::now() + kConnectionLimit;
  while (!ConnectedWith(otherPort)) {
    if (ServerGone() || std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(kConnectionPoll);
  }
  const std::uint64_t settledAt = cycles_.load(std::memory_order_acquire) + kSettlingCycles + 1;
  while (cycles_.load(std::memory_order_acquire) < settledAt) {
    if (ServerGone() || std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(kConnectionPoll);
  }
  return true;
}

bool JackClientPort::ConnectedWith(const std::string& otherPort) const {
  return !ServerGone() && jack_port_connected_to(port_, otherPort.c_str()) != 0;
}

int JackClientPort::OnProcess(jack_nframes_t frames, void* self) {
  auto& port = *static_cast<JackClientPort*>(self);
  port.process_(port.context_, jack_port_get_buffer(port.port_, frames), frames);
  port.cycles_.fetch_add(1, std::memory_order_release);
  return 0;
}

void JackClientPort::OnShutdown(void* self) {
  static_cast<JackClientPort*>(self)->gone_.store(true, std::memory_order_release);
}

}  // namespace platform
