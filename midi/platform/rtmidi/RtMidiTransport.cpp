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

// The systems this build of RtMidi knows, in the order their ports are numbered.
std::vector<RtMidi::Api> SupportedSystems() {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  std::vector<RtMidi::Api> systems;
  for (const RtMidi::Api api : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
    if (std::find(compiled.begin(), compiled.end(), api) != compiled.end()) systems.push_back(api);
  }
  return systems;
}

constexpr std::chrono::milliseconds kListingLife{100};

bool InfoOf(const std::vector<PortEntry>& ports, UINT index, PortInfo& info) {
  if (index >= ports.size()) return false;
  info = PortInfo{ports[index].name};
  return true;
}

}  // namespace

RtMidiTransport::RtMidiTransport() : clientName_("programmer-" + std::to_string(getpid())) {
  for (const RtMidi::Api api : SupportedSystems())
    systems_.push_back(std::make_unique<MidiSystem>(api, clientName_, kRetryInterval));
}

RtMidiTransport::~RtMidiTransport() = default;

UINT RtMidiTransport::InputCount() { return static_cast<UINT>(Ports(Direction::Input, true).size()); }
UINT RtMidiTransport::OutputCount() { return static_cast<UINT>(Ports(Direction::Output, true).size()); }
bool RtMidiTransport::InputInfo(UINT index, PortInfo& info) {
  return InfoOf(Ports(Direction::Input, false), index, info);
}
bool RtMidiTransport::OutputInfo(UINT index, PortInfo& info) {
  return InfoOf(Ports(Direction::Output, false), index, info);
}

std::unique_ptr<InputConnection> RtMidiTransport::OpenInput(UINT index, InputSink& sink, MMRESULT& result) {
  const std::vector<PortEntry>& ports = Ports(Direction::Input, true);
  if (index >= ports.size()) {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  const PortEntry& port = ports[index];
  if (port.system->Api() == RtMidi::UNIX_JACK) return JackInputPort::Open(clientName_, port.name, sink, result);
  return SequencerInputPort::Open(clientName_, port.name, sink, result);
}

std::unique_ptr<OutputConnection> RtMidiTransport::OpenOutput(UINT index, MMRESULT& result) {
  const std::vector<PortEntry>& ports = Ports(Direction::Output, true);
  if (index >= ports.size()) {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  const PortEntry& port = ports[index];
  if (port.system->Api() == RtMidi::UNIX_JACK) return JackOutputPort::Open(clientName_, port.name, result);
  return RtMidiOutputPort::Open(port.system->Api(), clientName_, port.name, result);
}

const std::vector<PortEntry>& RtMidiTransport::Ports(Direction direction, bool anew) {
  Listing& listing = listings_[static_cast<int>(direction)];
  const auto now = std::chrono::steady_clock::now();
  if (anew || now - listing.taken > kListingLife) listing = {ListPorts(systems_, direction, clientName_), now};
  return listing.ports;
}

}  // namespace platform
