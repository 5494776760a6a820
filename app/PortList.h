#pragma once

// What `bass-firmware --list-ports` shows when a user's device is not found: every MIDI input and
// output port the program sees, counted and named through the same platform calls and so with the
// same numbers as discovery, each marked when its name carries the device's and when it is one
// of the pair discovery would open. It opens nothing and needs no window. Window thread.
//
// The text, for a person and for a request for help, one line each:
//   two lines of heading: the program and its version, and what the marks mean;
//   "DIRECTION NUMBER SYSTEM MARK NAME" for each port, inputs first, each direction in the order
//   of its numbers: DIRECTION is "input" (the tool reads from it) or "output" (the tool sends to
//   it); SYSTEM the MIDI system it is on; MARK "-", "match" (the name carries the device's) or
//   "pair" (a match that discovery would open); NAME the rest of the line, with a backslash and
//   any control character written as \\ and \xHH, so that a name cannot start a line of its own;
//   the notes, such as a MIDI system that is not running;
//   what discovery would do: the pair it would open, or what is missing and what to try.

#include <functional>
#include <string>
#include <vector>

#include "midi/platform/Direction.h"
#include "midi/platform/MmSystem.h"

namespace app {

struct ListedPort {
  UINT number = 0;
  std::string name;        // as the platform gives it
  std::string system;      // the MIDI system it is on
  std::string unreadable;  // the platform's text when the name could not be read; no name then
  bool matches = false;    // the name carries the device's port name
  bool inPair = false;     // discovery would open it
};

struct PortList {
  std::vector<ListedPort> inputs;
  std::vector<ListedPort> outputs;
  // Lines on what the listing could not see (a MIDI system that is not running), in order.
  std::vector<std::string> notes;
};

// The MIDI system of a port, by its number in the latest count of its direction.
using SystemOfPort = std::function<std::string(platform::Direction direction, UINT number)>;

// Counts and names the ports of both directions and marks them as discovery would choose.
PortList ListPorts(const SystemOfPort& systemOf);

// The listing as the program prints it (see above).
std::string PortListText(const PortList& list);

}  // namespace app
