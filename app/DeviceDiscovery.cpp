#include "app/DeviceDiscovery.h"

namespace app {

namespace {

// What every tick gives the new input port: room for the device's replies and the whole
// firmware conversation, real-time bytes filtered out.
constexpr WORD kRingCapacity = 1024;
constexpr WORD kSysexBufferCount = 4096;
constexpr WORD kSysexBufferSize = 4096;

}  // namespace

DeviceDiscovery::DeviceDiscovery(ProgrammerWindow& window) : window_(window) {}

bool DeviceDiscovery::MatchesDevicePort(const std::string& productName) {
  return productName.find(kDevicePortName) != std::string::npos;
}

// Any failure of a port operation ends the tick where it happens; the timer stays on, and the
// next tick starts over with new port objects.
void DeviceDiscovery::Timer1Timer() {
  RenewInputPort();
  RenewOutputPort();
  if (!inputFound_ || !outputFound_) return;
  Connect();
}

// The slot is emptied before the new port is made, so a port whose creation fails is never
// released twice. With several matching ports the last one wins.
void DeviceDiscovery::RenewInputPort() {
  delete window_.MidiInput1();
  window_.SetMidiInput1(nullptr);
  auto* input = new midi::TMidiInput(window_.PortOwner());
  window_.SetMidiInput1(input);
  input->SetCapacity(kRingCapacity);
  input->SetFilteredMessages({midi::msgActiveSensing, midi::msgMidiTimeCode});
  input->SetSysexBufferCount(kSysexBufferCount);
  input->SetSysexBufferSize(kSysexBufferSize);
  input->SetSysexOnly(false);
  input->OnMidiInput = window_.MidiInputHandler();
  input->OnOverflow = window_.MidiOverflowHandler();
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
  delete window_.MidiOutput1();
  window_.SetMidiOutput1(nullptr);
  auto* output = new midi::TMidiOutput(window_.PortOwner());
  window_.SetMidiOutput1(output);
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
// its result and simply tried again at the next tick.
void DeviceDiscovery::Connect() {
  midi::TMidiInput& input = *window_.MidiInput1();
  input.SetDeviceID(inputDeviceNumber_);
  input.Open();
  input.Start();
  midi::TMidiOutput& output = *window_.MidiOutput1();
  output.SetDeviceID(outputDeviceNumber_);
  if (!output.Open()) return;
  window_.Timer1().SetEnabled(false);
  window_.AppendLog(">USB Midi Connected");
  window_.ProgramTimer().SetEnabled(true);
}

}  // namespace app
