#include "app/DeviceDiscovery.h"

#include "app/Programmer.h"
#include "firmware/Conversation.h"

namespace app {

namespace {

// What every tick gives the new input port: room for the device's replies and the whole
// firmware conversation, real-time bytes filtered out.
constexpr WORD kRingCapacity = 1024;
constexpr WORD kSysexBufferCount = 4096;
constexpr WORD kSysexBufferSize = 4096;

}  // namespace

DeviceDiscovery::DeviceDiscovery(Programmer& programmer) : programmer_(programmer) {}

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
// released twice. With several matching ports the last one wins: the scan goes down from the
// last and stops at the first match, leaving the port on it. Choosing the port by the name read
// right before its open, with no count in between, opens the port whose name matched even where
// every count numbers the ports anew (Transport.h): another program's port that comes or goes
// meanwhile shifts the numbers, never the choice.
void DeviceDiscovery::RenewInputPort() {
  delete programmer_.InputPort();
  programmer_.SetInputPort(nullptr);
  auto* input = new midi::TMidiInput(&programmer_.PortOwner());
  programmer_.SetInputPort(input);
  input->SetCapacity(kRingCapacity);
  input->SetFilteredMessages({midi::msgActiveSensing, midi::msgMidiTimeCode});
  input->SetSysexBufferCount(kSysexBufferCount);
  input->SetSysexBufferSize(kSysexBufferSize);
  input->SetSysexOnly(false);
  input->OnMidiInput = programmer_.Events().inputWaiting;
  input->OnOverflow = programmer_.Events().inputOverflowed;
  inputFound_ = false;
  for (DWORD device = input->DeviceCount(); device-- > 0 && !inputFound_;) {
    input->SetDeviceID(device);
    inputFound_ = MatchesDevicePort(input->ProductName());
  }
}

void DeviceDiscovery::RenewOutputPort() {
  delete programmer_.OutputPort();
  programmer_.SetOutputPort(nullptr);
  auto* output = new midi::TMidiOutput(&programmer_.PortOwner());
  programmer_.SetOutputPort(output);
  outputFound_ = false;
  for (DWORD device = output->DeviceCount(); device-- > 0 && !outputFound_;) {
    output->SetDeviceID(device);
    outputFound_ = MatchesDevicePort(output->ProductName());
  }
}

// Each port is still on the device whose name matched, and nothing has counted the ports of its
// direction since: the number opens that very port. Input first and started, so that no reply
// can be missed; a refused output open is reported by its result and simply tried again at the
// next tick.
void DeviceDiscovery::Connect() {
  midi::TMidiInput& input = *programmer_.InputPort();
  input.Open();
  input.Start();
  midi::TMidiOutput& output = *programmer_.OutputPort();
  if (!output.Open()) return;
  programmer_.DiscoveryTimer().SetEnabled(false);
  programmer_.AppendLog(">USB Midi Connected");
  programmer_.ProbeTimer().SetEnabled(true);
}

}  // namespace app
