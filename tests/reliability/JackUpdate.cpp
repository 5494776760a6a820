#include "tests/reliability/JackUpdate.h"

#include <chrono>

#include "midi/platform/systems/SystemsTransport.h"

namespace reliability {

XrunCount::XrunCount() : client_(jack_client_open("xrun-count", JackNoStartServer, nullptr)) {
  if (client_ == nullptr) return;
  jack_set_xrun_callback(client_, &XrunCount::OnXrun, this);
  jack_activate(client_);
}

XrunCount::~XrunCount() {
  if (client_ != nullptr) jack_client_close(client_);
}

int XrunCount::OnXrun(void* counter) {
  ++static_cast<XrunCount*>(counter)->count_;
  return 0;
}

bool JackUpdate::RunUntilFinishes(int finishes) {
  constexpr int kMostRestarts = 5;
  constexpr std::chrono::seconds kQuiet{10};
  int xrunsBefore = xruns.Count();
  while (!rig.RunUntilFinishes(finishes, kQuiet)) {
    if (xruns.Count() == xrunsBefore || restarts == kMostRestarts) return false;
    xrunsBefore = xruns.Count();
    ++restarts;
    device.Restart();
  }
  return true;
}

InstalledRtMidi::InstalledRtMidi()
    : previous_(platform::InstallTransport(std::make_unique<platform::SystemsTransport>(platform::MidiSystems::Jack))) {
}

InstalledRtMidi::~InstalledRtMidi() { platform::InstallTransport(std::move(previous_)); }

}  // namespace reliability
