#include "midi/platform/alsa/AlsaSystem.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "midi/platform/alsa/AlsaInputPort.h"
#include "midi/platform/alsa/AlsaOutputPort.h"
#include "midi/platform/alsa/SequencerAddress.h"
#include "midi/platform/alsa/SystemProbe.h"

namespace platform {

AlsaSystem::AlsaSystem(std::string clientName, std::chrono::steady_clock::duration retryInterval)
    : MidiSystem(MidiSystems::AlsaSequencer, std::move(clientName), retryInterval) {}

AlsaSystem::~AlsaSystem() { Forget(); }

std::vector<SystemPort> AlsaSystem::Ports(Direction direction) {
  std::vector<SystemPort> ports;
  RtMidi& lister = direction == Direction::Input ? static_cast<RtMidi&>(*inputs_) : *outputs_;
  for (unsigned port = 0, count = lister.getPortCount(); port < count; ++port) {
    std::string name = lister.getPortName(port);
    const PortSource source = SourceOfPort(name);
    ports.push_back({std::move(name), source});
  }
  return ports;
}

std::unique_ptr<InputConnection> AlsaSystem::OpenInput(const std::string& name, InputSink& sink, MMRESULT& result) {
  return AlsaInputPort::Open(ClientName(), name, sink, result);
}

std::unique_ptr<OutputConnection> AlsaSystem::OpenOutput(const std::string& name, MMRESULT& result) {
  return AlsaOutputPort::Open(ClientName(), name, result);
}

// The sequencer's own word for it: a kernel client is a driver's. A port whose client cannot be
// asked (it went away since it was listed) counts as a program's, so that it never outranks a
// driver's port.
PortSource AlsaSystem::SourceOfPort(const std::string& name) const {
  const std::optional<snd_seq_addr_t> address = SequencerAddressOf(name);
  snd_seq_client_info_t* client = nullptr;
  snd_seq_client_info_alloca(&client);
  if (!address || snd_seq_get_any_client_info(clientLookup_, address->client, client) < 0)
    return PortSource::AlsaUserClient;
  return snd_seq_client_info_get_type(client) == SND_SEQ_KERNEL_CLIENT ? PortSource::AlsaKernelClient
                                                                       : PortSource::AlsaUserClient;
}

// A build of RtMidi without the sequencer would quietly take another system for it.
bool AlsaSystem::Connect() {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  if (std::find(compiled.begin(), compiled.end(), RtMidi::LINUX_ALSA) == compiled.end()) return false;
  if (!AlsaSequencerAnswers()) return false;
  if (snd_seq_open(&clientLookup_, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
    clientLookup_ = nullptr;
    return false;
  }
  snd_seq_set_client_name(clientLookup_, ClientName().c_str());
  try {
    inputs_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, ClientName());
    errors_.Install(*inputs_);
    outputs_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, ClientName());
    errors_.Install(*outputs_);
  } catch (const RtMidiError&) {
    return false;
  }
  return true;
}

void AlsaSystem::Forget() {
  inputs_.reset();
  outputs_.reset();
  if (clientLookup_ != nullptr) snd_seq_close(clientLookup_);
  clientLookup_ = nullptr;
}

}  // namespace platform
