#include "midi/platform/simulated/SimulatedTransport.h"

#include "midi/platform/simulated/SimulatedInputPort.h"
#include "midi/platform/simulated/SimulatedOutputPort.h"
#include "midi/platform/simulated/SimulatedState.h"

namespace platform {

namespace {

// Room for many messages of the longest length one header holds, so a device model that answers
// at once seldom waits for the driver thread.
constexpr std::size_t kInputFifoBytes = std::size_t{1} << 20;

}  // namespace

SimulatedTransport::SimulatedTransport() : state_(std::make_shared<State>()) {}

SimulatedTransport::~SimulatedTransport() {
  std::lock_guard lock(state_->mutex);
  for (State::Device& device : state_->devices) state_->Remove(device);
}

SimulatedTransport::DeviceId SimulatedTransport::AddInput(PortInfo info) {
  std::lock_guard lock(state_->mutex);
  return state_->Add(Direction::Input, std::move(info));
}

SimulatedTransport::DeviceId SimulatedTransport::AddOutput(PortInfo info) {
  std::lock_guard lock(state_->mutex);
  return state_->Add(Direction::Output, std::move(info));
}

void SimulatedTransport::Rename(DeviceId device, std::string name) {
  std::lock_guard lock(state_->mutex);
  state_->Get(device).info.name = std::move(name);
}

void SimulatedTransport::Remove(DeviceId device) {
  std::lock_guard lock(state_->mutex);
  state_->Remove(state_->Get(device));
}

SimulatedTransport::DeviceId SimulatedTransport::SwitchOffAndOn(DeviceId device) {
  std::lock_guard lock(state_->mutex);
  State::Device& off = state_->Get(device);
  off.switchedOff = true;
  state_->Remove(off);
  return state_->Add(off.direction, off.info);
}

void SimulatedTransport::HoldByAnotherProgram(DeviceId device, bool held) {
  std::lock_guard lock(state_->mutex);
  state_->Get(device).heldByAnotherProgram = held;
}

bool SimulatedTransport::IsOpen(DeviceId device) const {
  std::lock_guard lock(state_->mutex);
  const State::Device& record = state_->Get(device);
  return record.direction == Direction::Input ? record.channel != nullptr : record.outputOpen;
}

void SimulatedTransport::InjectShort(DeviceId input, DWORD message) {
  if (const auto channel = state_->OpenChannel(input)) channel->PushShort(message);
}

void SimulatedTransport::InjectSysex(DeviceId input, std::span<const BYTE> bytes) {
  if (const auto channel = state_->OpenChannel(input)) channel->PushSysex(bytes);
}

void SimulatedTransport::InjectLoss(DeviceId input) {
  if (const auto channel = state_->OpenChannel(input)) channel->PushLoss();
}

bool SimulatedTransport::WaitUntilDelivered(DeviceId input, std::chrono::milliseconds timeout) {
  const auto channel = state_->OpenChannel(input);
  return !channel || channel->WaitUntilDelivered(timeout);
}

std::thread::id SimulatedTransport::DriverThread(DeviceId input) const {
  std::lock_guard lock(state_->mutex);
  return state_->Get(input, Direction::Input).driverThread;
}

std::vector<SentMessage> SimulatedTransport::Sent(DeviceId output) const {
  std::lock_guard lock(state_->mutex);
  return state_->Get(output, Direction::Output).sent;
}

void SimulatedTransport::ClearSent(DeviceId output) {
  std::lock_guard lock(state_->mutex);
  state_->Get(output, Direction::Output).sent.clear();
}

void SimulatedTransport::SetOnSent(DeviceId output, std::function<void(const SentMessage&)> onSent) {
  auto hook = onSent ? std::make_shared<const std::function<void(const SentMessage&)>>(std::move(onSent)) : nullptr;
  std::lock_guard lock(state_->mutex);
  state_->Get(output, Direction::Output).onSent = std::move(hook);
}

void SimulatedTransport::HoldOutput(DeviceId output, bool hold) {
  std::lock_guard lock(state_->mutex);
  state_->Get(output, Direction::Output).held = hold;
  state_->outputChanged.notify_all();
}

unsigned SimulatedTransport::SendsHeld(DeviceId output) const {
  std::lock_guard lock(state_->mutex);
  return state_->Get(output, Direction::Output).sendsHeld;
}

UINT SimulatedTransport::InputCount() {
  std::lock_guard lock(state_->mutex);
  return state_->Count(Direction::Input);
}

UINT SimulatedTransport::OutputCount() {
  std::lock_guard lock(state_->mutex);
  return state_->Count(Direction::Output);
}

bool SimulatedTransport::InputInfo(UINT index, PortInfo& info) {
  std::lock_guard lock(state_->mutex);
  const auto device = state_->Port(index, Direction::Input);
  if (device) info = state_->devices[*device].info;
  return device.has_value();
}

bool SimulatedTransport::OutputInfo(UINT index, PortInfo& info) {
  std::lock_guard lock(state_->mutex);
  const auto device = state_->Port(index, Direction::Output);
  if (device) info = state_->devices[*device].info;
  return device.has_value();
}

std::unique_ptr<InputConnection> SimulatedTransport::OpenInput(UINT index, InputSink& sink, MMRESULT& result) {
  std::lock_guard lock(state_->mutex);
  const auto id = state_->Port(index, Direction::Input);
  if (!id) {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  State::Device& device = state_->devices[*id];
  if (device.channel || device.heldByAnotherProgram) {
    result = MMSYSERR_ALLOCATED;
    return nullptr;
  }
  auto port = std::make_unique<SimulatedInputPort>(state_, *id, sink, kInputFifoBytes);
  device.channel = port->Channel();
  device.driverThread = port->DriverThreadId();
  result = MMSYSERR_NOERROR;
  return port;
}

std::unique_ptr<OutputConnection> SimulatedTransport::OpenOutput(UINT index, MMRESULT& result) {
  std::lock_guard lock(state_->mutex);
  const auto id = state_->Port(index, Direction::Output);
  if (!id) {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  State::Device& device = state_->devices[*id];
  if (device.outputOpen || device.heldByAnotherProgram) {
    result = MMSYSERR_ALLOCATED;
    return nullptr;
  }
  device.outputOpen = true;
  result = MMSYSERR_NOERROR;
  return std::make_unique<SimulatedOutputPort>(state_, *id);
}

}  // namespace platform
