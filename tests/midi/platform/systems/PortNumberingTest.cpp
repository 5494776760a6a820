// The order ports are numbered in across systems: discovery opens the highest-numbered port that
// carries the device's name, which must be the device's own (a kernel client's on the ALSA
// sequencer) and never a program's or a bridge's copy of it.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/systems/PortListing.h"

namespace {

using platform::PortEntry;
using platform::PortSource;

const std::string kDevice = firmware::kDevicePortName;

std::vector<std::string> NamesOf(const std::vector<PortEntry>& ports) {
  std::vector<std::string> names;
  for (const PortEntry& port : ports) names.push_back(port.name);
  return names;
}

// A machine with the device on USB, a bridge's copy of its port on JACK, the emulator on JACK and
// on the sequencer, and another program and driver, as each system lists them: the sequencer by
// client number (kernel clients first), JACK in its own order.
std::vector<PortEntry> AsTheSystemsListThem() {
  return {
      {nullptr, "Midi Through:Midi Through Port-0 14:0", PortSource::AlsaKernelClient},
      {nullptr, "QLT-1:" + kDevice + " 24:0", PortSource::AlsaKernelClient},
      {nullptr, "Keyboard:Keyboard MIDI 1 28:0", PortSource::AlsaKernelClient},
      {nullptr, "qlt1-emulator:" + kDevice + " 128:0", PortSource::AlsaUserClient},
      {nullptr, "Sequencer:out 129:0", PortSource::AlsaUserClient},
      {nullptr, "a2j:QLT-1 [24] (capture): " + kDevice, PortSource::Jack},
      {nullptr, "system:midi_capture_1", PortSource::Jack},
      {nullptr, "qlt1-emulator:" + kDevice, PortSource::Jack},
  };
}

TEST(PortNumbering, JackPortsFirstThenProgramsOnTheSequencerThenItsKernelClientsEachInTheirSystemsOrder) {
  std::vector<PortEntry> ports = AsTheSystemsListThem();
  platform::NumberAcrossSystems(ports);
  EXPECT_EQ(NamesOf(ports), (std::vector<std::string>{
                                "a2j:QLT-1 [24] (capture): " + kDevice,
                                "system:midi_capture_1",
                                "qlt1-emulator:" + kDevice,
                                "qlt1-emulator:" + kDevice + " 128:0",
                                "Sequencer:out 129:0",
                                "Midi Through:Midi Through Port-0 14:0",
                                "QLT-1:" + kDevice + " 24:0",
                                "Keyboard:Keyboard MIDI 1 28:0",
                            }));
}

}  // namespace
