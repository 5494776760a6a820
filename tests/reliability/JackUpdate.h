#pragma once

// A whole update over a JACK server of the test's own: the server, the emulated device on it, the
// RtMidi transport installed for the programmer, and the programmer itself, made in that order
// and taken down in reverse.

#include <jack/jack.h>

#include <atomic>
#include <memory>

#include "midi/platform/Transport.h"
#include "tests/reliability/JackQlt1.h"
#include "tests/reliability/UpdateRig.h"
#include "tests/support/PrivateJackServer.h"

namespace reliability {

// The server, started; `Started()` says whether it answers.
class StartedJackServer {
 public:
  StartedJackServer() : started_(server_.Start()) {}
  bool Started() const { return started_; }

 private:
  testsupport::PrivateJackServer server_;
  bool started_;
};

// Counts the server's xruns: cycles that a client did not finish in time, whose MIDI the server
// may have dropped. The conversation defines no retry, so a message lost there stalls it.
class XrunCount {
 public:
  XrunCount();
  ~XrunCount();
  XrunCount(const XrunCount&) = delete;
  XrunCount& operator=(const XrunCount&) = delete;
  int Count() const { return count_.load(); }

 private:
  static int OnXrun(void* counter);
  jack_client_t* client_;
  std::atomic<int> count_{0};
};

// The transport of the real program, installed for the owner's lifetime.
class InstalledRtMidi {
 public:
  InstalledRtMidi();
  ~InstalledRtMidi();
  InstalledRtMidi(const InstalledRtMidi&) = delete;
  InstalledRtMidi& operator=(const InstalledRtMidi&) = delete;

 private:
  std::unique_ptr<platform::Transport> previous_;
};

struct JackUpdate {
  explicit JackUpdate(qlt1::Hostility hostility) : device(hostility) {}

  // Runs until the device has counted `finishes` finished updates. A stall is the tool's fault
  // unless the server dropped cycles meanwhile (as under ThreadSanitizer or on a loaded machine):
  // then the device is restarted, as its user would, a few times at most.
  bool RunUntilFinishes(int finishes);
  int Restarts() const { return restarts; }

  StartedJackServer server;
  XrunCount xruns;
  JackQlt1 device;
  InstalledRtMidi transport;
  UpdateRig rig{device, kProgramTiming};
  int restarts = 0;
};

}  // namespace reliability
