#include "midi/platform/systems/PortListing.h"

#include <algorithm>

namespace platform {

std::vector<PortEntry> ListPorts(const std::vector<std::unique_ptr<MidiSystem>>& systems, Direction direction,
                                 std::string_view ownClient) {
  std::vector<PortEntry> ports;
  for (const auto& system : systems) {
    if (!system->Ready()) continue;
    for (SystemPort& port : system->Ports(direction)) {
      // A port that went between counting and naming comes back without a name.
      if (!port.name.empty() && !IsOwnPort(port.name, ownClient))
        ports.push_back({system.get(), std::move(port.name), port.source});
    }
  }
  NumberAcrossSystems(ports);
  return ports;
}

void NumberAcrossSystems(std::vector<PortEntry>& ports) {
  std::stable_sort(ports.begin(), ports.end(),
                   [](const PortEntry& first, const PortEntry& second) { return first.source < second.source; });
}

// Both systems name a port "client:port" (ALSA adds the numbers after a space).
bool IsOwnPort(std::string_view portName, std::string_view ownClient) {
  if (!portName.starts_with(ownClient)) return false;
  const std::string_view rest = portName.substr(ownClient.size());
  return rest.starts_with(':') || rest.starts_with('-');
}

}  // namespace platform
