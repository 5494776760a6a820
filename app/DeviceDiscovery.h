#pragma once

// Finds the device's ports by product name among all MIDI ports, four times a second, opens the
// pair and hands over to the programming session by switching the probe timer on. Window thread
// only.

#include <string>

#include "app/ProgrammerParts.h"
#include "framework/Component.h"
#include "framework/NotifyEvent.h"
#include "framework/Timer.h"
#include "midi/platform/MmSystem.h"

namespace app {

// What discovery works with; what it refers to outlives discovery.
struct DiscoveryContext {
  LogLine log;
  // Owns the port objects discovery makes.
  framework::TComponent& portOwner;
  // Emptied and filled anew at every tick; discovery releases what they held.
  PortSlots& ports;
  // What each new input port calls: events are waiting, and its ring overflowed.
  framework::TNotifyEvent inputWaiting;
  framework::TNotifyEvent inputOverflowed;
  // Once the pair is open, discovery switches itself off and probing on.
  framework::TTimer& discoveryTimer;
  framework::TTimer& probeTimer;
};

class DeviceDiscovery {
 public:
  explicit DeviceDiscovery(DiscoveryContext context);

  // One tick of the discovery timer: fresh port objects, a scan of both directions, and the
  // connection once the device's port is present in both.
  void Tick();

  // Whether the product name carries the device's port name, compared case-sensitively.
  static bool MatchesDevicePort(const std::string& productName);

 private:
  void RenewInputPort();
  void RenewOutputPort();
  void Connect();

  DiscoveryContext context_;
  bool inputFound_ = false;
  bool outputFound_ = false;
  DWORD inputDeviceNumber_ = 0;
  DWORD outputDeviceNumber_ = 0;
};

}  // namespace app
