#include "app/qt/MidiSystemsToUse.h"

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "firmware/FirmwareImage.h"

namespace app {

std::optional<platform::MidiSystems> MidiSystemsFor(bool developmentTable, const char* variable) {
  if (!developmentTable || variable == nullptr) return platform::MidiSystems::Every;
  const std::string_view value = variable;
  if (value == "jack") return platform::MidiSystems::Jack;
  if (value == "alsa") return platform::MidiSystems::AlsaSequencer;
  return std::nullopt;
}

platform::MidiSystems MidiSystemsToUse() {
  const bool developmentTable = firmware::EmbedsDevelopmentTable();
  const char* variable = developmentTable ? std::getenv(kTestMidiSystemVariable) : nullptr;
  const std::optional<platform::MidiSystems> systems = MidiSystemsFor(developmentTable, variable);
  if (systems) return *systems;
  std::cerr << kTestMidiSystemVariable << " must be jack or alsa, not \"" << variable << "\"\n";
  std::exit(2);
}

}  // namespace app
