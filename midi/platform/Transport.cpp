#include "midi/platform/Transport.h"

namespace platform {

namespace {
std::unique_ptr<Transport>& Installed() {
  static std::unique_ptr<Transport> transport;
  return transport;
}
}  // namespace

std::unique_ptr<Transport> InstallTransport(std::unique_ptr<Transport> transport) {
  std::swap(Installed(), transport);
  return transport;
}

Transport* CurrentTransport() { return Installed().get(); }

WindowsBehaviour CurrentWindowsBehaviour() {
  const Transport* transport = CurrentTransport();
  return transport != nullptr ? transport->Behaviour() : WindowsBehaviour{};
}

}  // namespace platform
