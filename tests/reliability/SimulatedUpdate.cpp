#include "tests/reliability/SimulatedUpdate.h"

namespace reliability {

InstalledTransport::InstalledTransport() {
  auto transport = std::make_unique<platform::SimulatedTransport>();
  sim_ = transport.get();
  previous_ = platform::InstallTransport(std::move(transport));
}

InstalledTransport::~InstalledTransport() { platform::InstallTransport(std::move(previous_)); }

}  // namespace reliability
