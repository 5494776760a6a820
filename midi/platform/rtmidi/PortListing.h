#pragma once

// The ports of every running MIDI system, numbered across systems in a stable order: each
// system's ports in the order the system gives them, the systems in the order they are given.
// Ports of our own clients are left out.

#include <rtmidi/RtMidi.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "midi/platform/rtmidi/MidiSystem.h"

namespace platform {

struct PortEntry {
  MidiSystem* system;
  std::string name;  // full, as the system reports it
};

std::vector<PortEntry> ListPorts(const std::vector<std::unique_ptr<MidiSystem>>& systems, Direction direction,
                                 std::string_view ownClient);

// True for a port of a client named `ownClient` (or the numbered variants JACK makes of it).
bool IsOwnPort(std::string_view portName, std::string_view ownClient);

// The number `lister` gives the port named `name` now, if it lists it.
std::optional<unsigned> FindPort(RtMidi& lister, std::string_view name);

}  // namespace platform
