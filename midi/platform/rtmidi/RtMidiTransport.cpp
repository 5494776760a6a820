#include "midi/platform/rtmidi/RtMidiTransport.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "midi/platform/jack/JackInputPort.h"
#include "midi/platform/jack/JackOutputPort.h"
#include "midi/platform/rtmidi/MidiSystem.h"
#include "midi/platform/rtmidi/RtMidiOutputPort.h"
#include "midi/platform/rtmidi/SequencerInputPort.h"

namespace platform {

namespace {

bool Chosen(RtMidi::Api api, MidiSystems systems) {
  switch (systems) {
    case MidiSystems::Every:
      return true;
    case MidiSystems::AlsaSequencer:
      return api == RtMidi::LINUX_ALSA;
    case MidiSystems::Jack:
      return api == RtMidi::UNIX_JACK;
  }
  return false;
}

// The chosen systems that this build of RtMidi knows.
std::vector<RtMidi::Api> SupportedSystems(MidiSystems systems) {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  std::vector<RtMidi::Api> supported;
  for (const RtMidi::Api api : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
    if (Chosen(api, systems) && std::find(compiled.begin(), compiled.end(), api) != compiled.end())
      supported.push_back(api);
  }
  return supported;
}

MidiSystems SystemOfApi(RtMidi::Api api) {
  return api == RtMidi::UNIX_JACK ? MidiSystems::Jack : MidiSystems::AlsaSequencer;
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

RtMidiTransport::RtMidiTransport(MidiSystems systems) : clientName_("programmer-" + std::to_string(getpid())) {
  for (const RtMidi::Api api : SupportedSystems(systems))
    systems_.push_back(std::make_unique<MidiSystem>(api, clientName_, kRetryInterval));
}

RtMidiTransport::~RtMidiTransport() = default;

UINT RtMidiTransport::InputCount() { return static_cast<UINT>(ListAnew(Direction::Input).size()); }
UINT RtMidiTransport::OutputCount() { return static_cast<UINT>(ListAnew(Direction::Output).size()); }
bool RtMidiTransport::InputInfo(UINT index, PortInfo& info) { return InfoOf(Listed(Direction::Input), index, info); }
bool RtMidiTransport::OutputInfo(UINT index, PortInfo& info) { return InfoOf(Listed(Direction::Output), index, info); }

std::unique_ptr<InputConnection> RtMidiTransport::OpenInput(UINT index, InputSink& sink, MMRESULT& result) {
  const PortEntry* port = Numbered(Listed(Direction::Input), index, result);
  if (port == nullptr) return nullptr;
  if (port->system->Api() == RtMidi::UNIX_JACK) return JackInputPort::Open(clientName_, port->name, sink, result);
  return SequencerInputPort::Open(clientName_, port->name, sink, result);
}

std::unique_ptr<OutputConnection> RtMidiTransport::OpenOutput(UINT index, MMRESULT& result) {
  const PortEntry* port = Numbered(Listed(Direction::Output), index, result);
  if (port == nullptr) return nullptr;
  if (port->system->Api() == RtMidi::UNIX_JACK) return JackOutputPort::Open(clientName_, port->name, result);
  return RtMidiOutputPort::Open(port->system->Api(), clientName_, port->name, result);
}

std::optional<MidiSystems> RtMidiTransport::SystemOf(Direction direction, UINT index) {
  const std::vector<PortEntry>& ports = Listed(direction);
  if (index >= ports.size()) return std::nullopt;
  return SystemOfApi(ports[index].system->Api());
}

std::vector<MidiSystems> RtMidiTransport::SystemsNotRunning() {
  std::vector<MidiSystems> notRunning;
  for (const auto& system : systems_)
    if (!system->Ready()) notRunning.push_back(SystemOfApi(system->Api()));
  return notRunning;
}

const std::vector<PortEntry>& RtMidiTransport::ListAnew(Direction direction) {
  return *(listings_[static_cast<int>(direction)] = ListPorts(systems_, direction, clientName_));
}

const std::vector<PortEntry>& RtMidiTransport::Listed(Direction direction) {
  const std::optional<std::vector<PortEntry>>& listing = listings_[static_cast<int>(direction)];
  return listing ? *listing : ListAnew(direction);
}

}  // namespace platform
