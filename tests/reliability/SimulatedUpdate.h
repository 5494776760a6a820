#pragma once

// A whole update on a simulated transport of its own: the transport, the device on it and the
// programmer, made and taken down in that order's reverse.

#include <memory>

#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/reliability/UpdateRig.h"
#include "tests/support/SimulatedQlt1.h"

namespace reliability {

// A fresh simulated transport, installed for the owner's lifetime; the one it replaced comes back.
class InstalledTransport {
 public:
  InstalledTransport();
  ~InstalledTransport();
  InstalledTransport(const InstalledTransport&) = delete;
  InstalledTransport& operator=(const InstalledTransport&) = delete;
  platform::SimulatedTransport& Sim() { return *sim_; }

 private:
  platform::SimulatedTransport* sim_;
  std::unique_ptr<platform::Transport> previous_;
};

struct SimulatedUpdate {
  platform::FaultInjector& Faults() { return transport.Sim().FaultPlan(); }

  InstalledTransport transport;
  testsupport::SimulatedQlt1 device{transport.Sim()};
  UpdateRig rig{device};
};

}  // namespace reliability
