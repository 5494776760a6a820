#pragma once

// Finds the device's ports by product name among all MIDI ports, four times a second, opens the
// pair and hands over to the programming session by switching the probe timer on. Window thread
// only.

#include <string>

#include "app/ProgrammerWindow.h"

namespace app {

// Part of the product name the device's ports carry, compared case-sensitively.
inline constexpr const char* kDevicePortName = "QZ Korvalith port 2";

class DeviceDiscovery {
 public:
  explicit DeviceDiscovery(ProgrammerWindow& window);

  // One tick of the discovery timer: fresh port objects, a scan of both directions, and the
  // connection once the device's port is present in both.
  void Timer1Timer();

  static bool MatchesDevicePort(const std::string& productName);

 private:
  void RenewInputPort();
  void RenewOutputPort();
  void Connect();

  ProgrammerWindow& window_;
  bool inputFound_ = false;
  bool outputFound_ = false;
  DWORD inputDeviceNumber_ = 0;
  DWORD outputDeviceNumber_ = 0;
};

}  // namespace app
