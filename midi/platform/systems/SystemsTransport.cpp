#include "midi/platform/systems/SystemsTransport.h"

#include <unistd.h>

#include <string>

#include "midi/platform/alsa/AlsaSystem.h"
#include "midi/platform/jack/JackSystem.h"

namespace platform {

namespace {

// Every MIDI system the transport knows, in no particular order (PortListing.h numbers their ports).
std::unique_ptr<MidiSystem> MakeSystem(MidiSystems which, const std::string& clientName) {
  switch (which) {
    case MidiSystems::AlsaSequencer:
      return std::make_unique<AlsaSystem>(clientName, SystemsTransport::kRetryInterval);
    case MidiSystems::Jack:
      return std::make_unique<JackSystem>(clientName, SystemsTransport::kRetryInterval);
    case MidiSystems::Every:
      break;
  }
  return nullptr;
}

bool InfoOf(const std::vector<PortEntry>& ports, UINT index, PortInfo& info) {
  if (index >= ports.size()) return false;
  info = PortInfo{ports[index].name};
  return true;
}

// The port a number of the listing names, or none with the platform's code for a number out of
// range. The transports below open a port by its full name and answer MMSYSERR_BADDEVICEID, too,
// when it has gone since it was listed.
const PortEntry* Numbered(const std::vector<PortEntry>& ports, UINT index, MMRESULT& result) {
  if (index < ports.size()) return &ports[index];
  result = MMSYSERR_BADDEVICEID;
  return nullptr;
}

}  // namespace

SystemsTransport::SystemsTransport(MidiSystems systems) : clientName_("programmer-" + std::to_string(getpid())) {
  for (const MidiSystems which : {MidiSystems::AlsaSequencer, MidiSystems::Jack})
    if (systems == MidiSystems::Every || systems == which) systems_.push_back(MakeSystem(which, clientName_));
}

SystemsTransport::~SystemsTransport() = default;

UINT SystemsTransport::InputCount() { return static_cast<UINT>(ListAnew(Direction::Input).size()); }
UINT SystemsTransport::OutputCount() { return static_cast<UINT>(ListAnew(Direction::Output).size()); }
bool SystemsTransport::InputInfo(UINT index, PortInfo& info) { return InfoOf(Listed(Direction::Input), index, info); }
bool SystemsTransport::OutputInfo(UINT index, PortInfo& info) { return InfoOf(Listed(Direction::Output), index, info); }

std::unique_ptr<InputConnection> SystemsTransport::OpenInput(UINT index, InputSink& sink, MMRESULT& result) {
  const PortEntry* port = Numbered(Listed(Direction::Input), index, result);
  if (port == nullptr) return nullptr;
  return port->system->OpenInput(port->name, sink, result);
}

std::unique_ptr<OutputConnection> SystemsTransport::OpenOutput(UINT index, MMRESULT& result) {
  const PortEntry* port = Numbered(Listed(Direction::Output), index, result);
  if (port == nullptr) return nullptr;
  return port->system->OpenOutput(port->name, result);
}

std::optional<MidiSystems> SystemsTransport::SystemOf(Direction direction, UINT index) {
  const std::vector<PortEntry>& ports = Listed(direction);
  if (index >= ports.size()) return std::nullopt;
  return ports[index].system->Which();
}

std::vector<MidiSystems> SystemsTransport::SystemsNotRunning() {
  std::vector<MidiSystems> notRunning;
  for (const auto& system : systems_)
    if (!system->Ready()) notRunning.push_back(system->Which());
  return notRunning;
}

const std::vector<PortEntry>& SystemsTransport::ListAnew(Direction direction) {
  return *(listings_[static_cast<int>(direction)] = ListPorts(systems_, direction, clientName_));
}

const std::vector<PortEntry>& SystemsTransport::Listed(Direction direction) {
  const std::optional<std::vector<PortEntry>>& listing = listings_[static_cast<int>(direction)];
  return listing ? *listing : ListAnew(direction);
}

}  // namespace platform
