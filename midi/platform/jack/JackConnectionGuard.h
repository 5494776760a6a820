#pragma once

// Keeps every port but one from staying connected to an input port of ours. The server tells each
// client of every connection made, on a notification thread that must not call the server back:
// the notification only queues the port that connected to ours and wakes a thread of ours, which
// undoes the connection. The server takes requests in order, so the undoing follows the
// connection even while the graph in use does not show it yet. Until it is undone, the process
// callback must not believe what comes in (JackClientPort::CycleSenders).

#include <jack/jack.h>

#include <atomic>
#include <string>
#include <thread>

#include "framework/WakeUp.h"
#include "midi/platform/SpscByteRing.h"

namespace platform {

class JackConnectionGuard {
 public:
  // `admitted`: the full name of the one port that may stay connected to `port`. The client and
  // the port must outlive the guard.
  JackConnectionGuard(jack_client_t* client, jack_port_t* port, std::string admitted);
  ~JackConnectionGuard();
  JackConnectionGuard(const JackConnectionGuard&) = delete;
  JackConnectionGuard& operator=(const JackConnectionGuard&) = delete;

  // JACK's notification thread: `source` was connected to `destination`. Never calls the server
  // or waits; what it queues is handled once Start has run.
  void Connected(jack_port_id_t source, jack_port_id_t destination) noexcept;
  // Starts the thread that undoes connections, and Stop ends it (before the client closes).
  void Start();
  void Stop() noexcept;

 private:
  void Run();
  void Undo(jack_port_t* source) const;
  void UndoEveryOther() const;

  jack_client_t* const client_;
  jack_port_t* const port_;
  const std::string ownName_;
  const std::string admitted_;
  SpscByteRing connected_;               // ports that connected to ours, not looked at yet
  std::atomic<bool> missedSome_{false};  // the queue was full: every connection is looked at
  std::atomic<bool> stopping_{false};
  framework::WakeUp wake_;
  std::thread thread_;
};

}  // namespace platform
