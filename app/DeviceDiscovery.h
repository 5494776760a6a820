#pragma once

// Finds the device's ports by product name among all MIDI ports, four times a second, opens the
// pair and hands over to the programming session by switching the probe timer on. Window thread
// only.

#include <string>

#include "midi/platform/MmSystem.h"

namespace app {

class Programmer;

class DeviceDiscovery {
 public:
  // Discovery fills `programmer`'s port slots and switches its timers.
  explicit DeviceDiscovery(Programmer& programmer);

  // One tick of the discovery timer: fresh port objects, a scan of both directions, and the
  // connection once the device's port is present in both.
  void Tick();

  // Whether the product name carries the device's port name, compared case-sensitively.
  static bool MatchesDevicePort(const std::string& productName);

 private:
  void RenewInputPort();
  void RenewOutputPort();
  void Connect();

  Programmer& programmer_;
  bool inputFound_ = false;
  bool outputFound_ = false;
  DWORD inputDeviceNumber_ = 0;
  DWORD outputDeviceNumber_ = 0;
};

}  // namespace app
