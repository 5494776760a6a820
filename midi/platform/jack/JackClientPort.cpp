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

// The guard listens before the client is active, whose ports the server connects only then.
std::unique_ptr<JackClientPort> JackClientPort::Open(const std::string& clientName, const std::string& portName,
                                                     Direction direction, Process process, void* context,
                                                     const std::string& admitted) {
  jack_client_t* client = OpenJackClient(clientName);
  if (client == nullptr) return nullptr;
  std::unique_ptr<JackClientPort> port(new JackClientPort(client, direction, process, context, admitted));
  const unsigned long flags = direction == Direction::Input ? JackPortIsInput : JackPortIsOutput;
  port->port_ = jack_port_register(client, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
  if (port->port_ == nullptr) return nullptr;
  if (!admitted.empty()) {
    port->guard_ = std::make_unique<JackConnectionGuard>(client, port->port_, admitted);
    jack_set_port_connect_callback(client, &JackClientPort::OnConnect, port.get());
    port->guard_->Start();
  }
  jack_set_process_callback(client, &JackClientPort::OnProcess, port.get());
  jack_on_shutdown(client, &JackClientPort::OnShutdown, port.get());
  if (jack_activate(client) != 0) return nullptr;
  return port;
}

JackClientPort::JackClientPort(jack_client_t* client, Direction direction, Process process, void* context,
                               std::string admitted)
    : client_(client), direction_(direction), process_(process), context_(context), admitted_(std::move(admitted)) {}

// Deactivating waits until the process thread has left its cycle and stopped; only then may
// anything the callback reads be freed. The guard stops first, so that it asks nothing of a
// client that is closing; notifications until the close still find it.
JackClientPort::~JackClientPort() {
  if (guard_ != nullptr) guard_->Stop();
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

JackClientPort::Senders JackClientPort::CycleSenders() const noexcept {
  if (admitted_.empty()) return Senders::Admitted;
  if (jack_port_connected_to(port_, admitted_.c_str()) == 0) return Senders::OthersOnly;
  return jack_port_connected(port_) == 1 ? Senders::Admitted : Senders::AdmittedAndOthers;
}

int JackClientPort::OnProcess(jack_nframes_t frames, void* self) {
  auto& port = *static_cast<JackClientPort*>(self);
  port.process_(port.context_, port, jack_port_get_buffer(port.port_, frames), frames);
  port.cycles_.fetch_add(1, std::memory_order_release);
  return 0;
}

void JackClientPort::OnConnect(jack_port_id_t source, jack_port_id_t destination, int connected, void* self) {
  if (connected != 0) static_cast<JackClientPort*>(self)->guard_->Connected(source, destination);
}

void JackClientPort::OnShutdown(void* self) {
  static_cast<JackClientPort*>(self)->gone_.store(true, std::memory_order_release);
}

}  // namespace platform
