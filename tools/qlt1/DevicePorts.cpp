#include "tools/qlt1/DevicePorts.h"

#include "tools/qlt1/AlsaDevicePorts.h"
#include "tools/qlt1/JackDevicePorts.h"

namespace qlt1 {

std::unique_ptr<DevicePorts> OpenDevicePorts(const std::string& system, const std::string& portName) {
  if (system == "alsa") return std::make_unique<AlsaDevicePorts>(portName);
  return std::make_unique<JackDevicePorts>(portName);
}

}  // namespace qlt1
