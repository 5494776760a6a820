#include "app/DeviceDiscovery.h"

#include <utility>

#include "firmware/Conversation.h"

namespace app {

namespace {

// What every tick gives the new input port: room for the device's replies and the whole
// firmware conversation, real-time bytes filtered out.
constexpr WORD kRingCapacity = 1024;
constexpr WORD kSysexBufferCount = 4096;
constexpr WORD kSysexBufferSize = 4096;

}  // namespace

DeviceDiscovery::DeviceDiscovery(DiscoveryContext context) : context_(std::move(context)) {}

bool DeviceDiscovery::MatchesDevicePort(const std::string& productName) {
  return productName.find(firmware::kDevicePortName) != std::string::npos;
}

// Any failure of a port operation ends the tick where it happens; the timer stays on, and the
// next tick starts over with new port objects.
void DeviceDiscovery::Tick() {
  RenewInputPort();
  RenewOutputPort();
  if (!inputFound_ || !outputFound_) return;
  Connect();
}

// The slot is emptied before the new port is made, so a port whose creation fails is never
// released twice. With several matching ports the last one wins.
void DeviceDiscovery::RenewInputPort() {
  delete context_.ports.input;
  context_.ports.input = nullptr;
  auto* input = new midi::TMidiInput(&context_.portOwner);
  context_.ports.input = input;
  input->SetCapacity(kRingCapacity);
  input->SetFilteredMessages({midi::msgActiveSensing, midi::msgMidiTimeCode});
  input->SetSysexBufferCount(kSysexBufferCount);
  input->SetSysexBufferSize(kSysexBufferSize);
  input->SetSysexOnly(false);
  input->OnMidiInput = context_.inputWaiting;
  input->OnOverflow = context_.inputOverflowed;
  inputFound_ = false;
  for (DWORD device = 0; device < input->DeviceCount(); ++device) {
    input->SetDeviceID(device);
    if (MatchesDevicePort(input->ProductName())) {
      inputFound_ = true;
      inputDeviceNumber_ = device;
    }
  }
}

void DeviceDiscovery::RenewOutputPort() {
  delete context_.ports.output;
  context_.ports.output = nullptr;
  auto* output = new midi::TMidiOutput(&context_.portOwner);
  context_.ports.output = output;
  outputFound_ = false;
  for (DWORD device = 0; device < output->DeviceCount(); ++device) {
    output->SetDeviceID(device);
    if (MatchesDevicePort(output->ProductName())) {
      outputFound_ = true;
      outputDeviceNumber_ = device;
    }
  }
}

// Input first and started, so that no reply can be missed; a refused output open is reported by
// its result and simply tried again at the next tick. Selecting a port counts the ports anew, and
// the open uses that count's numbering: a port of another program that came or went since the
// scan shifts the numbers, so each port is opened only if the number still carries the device's
// name, and otherwise the next tick scans again.
void DeviceDiscovery::Connect() {
  midi::TMidiInput& input = *context_.ports.input;
  input.SetDeviceID(inputDeviceNumber_);
  if (!MatchesDevicePort(input.ProductName())) return;
  input.Open();
  input.Start();
  midi::TMidiOutput& output = *context_.ports.output;
  output.SetDeviceID(outputDeviceNumber_);
  if (!MatchesDevicePort(output.ProductName()) || !output.Open()) return;
  context_.discoveryTimer.SetEnabled(false);
  context_.log(">USB Midi Connected");
  context_.probeTimer.SetEnabled(true);
}

}  // namespace app
