#include "midi/platform/jack/JackSystem.h"

#include <utility>

#include "midi/platform/jack/JackInputPort.h"
#include "midi/platform/jack/JackOutputPort.h"

namespace platform {

JackSystem::JackSystem(std::string clientName, std::chrono::steady_clock::duration retryInterval)
    : MidiSystem(MidiSystems::Jack, std::move(clientName), retryInterval) {}

JackSystem::~JackSystem() = default;

// A port that delivers to us is one of JACK's outputs, and the other way round.
std::vector<SystemPort> JackSystem::Ports(Direction direction) {
  std::vector<SystemPort> ports;
  for (std::string& name : watch_->MidiPorts(direction == Direction::Input ? JackPortIsOutput : JackPortIsInput))
    ports.push_back({std::move(name), PortSource::Jack});
  return ports;
}

std::unique_ptr<InputConnection> JackSystem::OpenInput(const std::string& name, InputSink& sink, MMRESULT& result) {
  return JackInputPort::Open(ClientName(), name, sink, result);
}

std::unique_ptr<OutputConnection> JackSystem::OpenOutput(const std::string& name, MMRESULT& result) {
  return JackOutputPort::Open(ClientName(), name, result);
}

bool JackSystem::Connect() {
  watch_ = JackWatch::Connect(ClientName());
  return watch_ != nullptr;
}

}  // namespace platform
