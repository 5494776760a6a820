#include "midi/platform/jack/JackConnectionGuard.h"

#include <utility>

namespace platform {

namespace {
// Connections waiting to be undone; more at once than this, and every connection is looked at.
constexpr std::size_t kQueueBytes = 64 * sizeof(jack_port_id_t);
}  // namespace

JackConnectionGuard::JackConnectionGuard(jack_client_t* client, jack_port_t* port, std::string admitted)
    : client_(client),
      port_(port),
      ownName_(jack_port_name(port)),
      admitted_(std::move(admitted)),
      connected_(kQueueBytes) {}

JackConnectionGuard::~JackConnectionGuard() { Stop(); }

void JackConnectionGuard::Connected(jack_port_id_t source, jack_port_id_t destination) noexcept {
  if (jack_port_by_id(client_, destination) != port_) return;
  if (connected_.WritableBytes() >= sizeof source) {
    connected_.Push({{reinterpret_cast<const BYTE*>(&source), sizeof source}});
  } else {
    missedSome_.store(true, std::memory_order_release);
  }
  wake_.Request();
}

void JackConnectionGuard::Start() {
  thread_ = std::thread([this] { Run(); });
}

void JackConnectionGuard::Stop() noexcept {
  if (!thread_.joinable()) return;
  stopping_.store(true, std::memory_order_release);
  wake_.Request();
  thread_.join();
}

void JackConnectionGuard::Run() {
  for (;;) {
    wake_.Wait();
    if (stopping_.load(std::memory_order_acquire)) return;
    while (connected_.ReadableBytes() >= sizeof(jack_port_id_t)) {
      jack_port_id_t source = 0;
      connected_.CopyOut(0, {reinterpret_cast<BYTE*>(&source), sizeof source});
      connected_.Consume(sizeof source);
      if (jack_port_t* port = jack_port_by_id(client_, source)) Undo(port);
    }
    if (missedSome_.exchange(false, std::memory_order_acq_rel)) UndoEveryOther();
  }
}

void JackConnectionGuard::Undo(jack_port_t* source) const {
  const char* name = jack_port_name(source);
  if (name == nullptr || admitted_ == name) return;
  jack_disconnect(client_, name, ownName_.c_str());
}

// Only after the queue was full. libjack waits out a graph change still pending before it lists
// the connections, so the listing shows those made before the wake-up.
void JackConnectionGuard::UndoEveryOther() const {
  const char** connections = jack_port_get_all_connections(client_, port_);
  if (connections == nullptr) return;
  for (const char** name = connections; *name != nullptr; ++name) {
    if (admitted_ != *name) jack_disconnect(client_, *name, ownName_.c_str());
  }
  jack_free(connections);
}

}  // namespace platform
