#pragma once

// The ports of every running MIDI system, numbered across systems. Discovery opens the
// highest-numbered port that carries the device's name, so the numbering decides which of
// several such ports gets the firmware: every JACK port first (programs, emulators, and the
// bridges' copies of ALSA ports, which may cut System Exclusive short), then the ALSA
// sequencer's ports of programs, then those of its kernel clients, where a USB MIDI interface's
// own ports are; within each, the system's own order. Ports of our own clients are left out.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "midi/platform/MidiSystem.h"

namespace platform {

struct PortEntry {
  MidiSystem* system;
  std::string name;  // full, as the system reports it
  PortSource source;
};

std::vector<PortEntry> ListPorts(const std::vector<std::unique_ptr<MidiSystem>>& systems, Direction direction,
                                 std::string_view ownClient);

// Puts the ports of a listing in the order they are numbered in, as above.
void NumberAcrossSystems(std::vector<PortEntry>& ports);

// True for a port of a client named `ownClient` (or the numbered variants JACK makes of it).
bool IsOwnPort(std::string_view portName, std::string_view ownClient);

}  // namespace platform
