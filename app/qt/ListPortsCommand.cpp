#include "app/qt/ListPortsCommand.h"

#include <iostream>
#include <memory>

#include "app/PortList.h"
#include "app/qt/MidiSystemsToUse.h"
#include "midi/platform/systems/SystemsTransport.h"

namespace app {

namespace {

// The words the emulator and the tests' variable use for the systems.
std::string Word(platform::MidiSystems system) { return system == platform::MidiSystems::Jack ? "jack" : "alsa"; }

std::string NotRunning(platform::MidiSystems system) {
  if (system == platform::MidiSystems::Jack) return "No JACK server is running: no JACK port is listed.";
  return "The ALSA sequencer is not running, or this user may not open it (/dev/snd/seq,\n"
         "the audio group): no ALSA port is listed.";
}

}  // namespace

int ListPortsCommand() {
  auto owned = std::make_unique<platform::SystemsTransport>(MidiSystemsToUse());
  platform::SystemsTransport& transport = *owned;
  std::unique_ptr<platform::Transport> previous = platform::InstallTransport(std::move(owned));
  PortList list = ListPorts([&transport](platform::Direction direction, UINT number) {
    const std::optional<platform::MidiSystems> system = transport.SystemOf(direction, number);
    return system ? Word(*system) : "?";
  });
  for (const platform::MidiSystems system : transport.SystemsNotRunning()) list.notes.push_back(NotRunning(system));
  platform::InstallTransport(std::move(previous));
  std::cout << PortListText(list) << std::flush;
  return 0;
}

}  // namespace app
