#include "midi/platform/systems/SystemsTransport.h"

#include <unistd.h>

#include <string>

#include "midi/platform/alsa/AlsaSystem.h"
#include "midi/platform/jack/JackSystem.h"

namespace platform {

namespace {

template <typename System>
std::unique_ptr<MidiSystem> Make(const std::string& clientName) {
  return std::make_unique<System>(clientName, SystemsTransport::kRetryInterval);
}

// Every MIDI system the transport knows, in no particular order (PortListing.h numbers their ports).
struct KnownSystem {
  MidiSystems which;
  std::unique_ptr<MidiSystem> (*make)(const std::string& clientName);
};
constexpr KnownSystem kKnownSystems[] = {
    {MidiSystems::AlsaSequencer, &Make<AlsaSystem>},
    {MidiSystems::Jack, &Make<JackSystem>},
};

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
  for (const KnownSystem& known : kKnownSystems)
    if (systems == MidiSystems::Every || systems == known.which) systems_.push_back(known.make(clientName_));
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
