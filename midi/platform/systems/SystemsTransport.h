#pragma once

// The transport of the real program: the MIDI systems it is told to use that are running on the
// machine (the ALSA sequencer, JACK: each in a folder of its own), their ports numbered across
// systems (PortListing.h), each named in full as its system names it. A system that is not
// running is skipped without a word and looked for again now and then, so a JACK server started
// later is found.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midi/platform/MidiSystem.h"
#include "midi/platform/MidiSystems.h"
#include "midi/platform/Transport.h"
#include "midi/platform/systems/PortListing.h"

namespace platform {

class SystemsTransport final : public Transport {
 public:
  static constexpr std::chrono::seconds kRetryInterval{2};

  explicit SystemsTransport(MidiSystems systems);
  ~SystemsTransport() override;

  UINT InputCount() override;
  UINT OutputCount() override;
  bool InputInfo(UINT index, PortInfo& info) override;
  bool OutputInfo(UINT index, PortInfo& info) override;
  std::unique_ptr<InputConnection> OpenInput(UINT index, InputSink& sink, MMRESULT& result) override;
  std::unique_ptr<OutputConnection> OpenOutput(UINT index, MMRESULT& result) override;

  // For a listing a person reads (bass-firmware --list-ports): the system of a port of the
  // direction's latest count (none for a number it does not hold), and the systems this
  // transport uses that are not running.
  std::optional<MidiSystems> SystemOf(Direction direction, UINT index);
  std::vector<MidiSystems> SystemsNotRunning();

 private:
  // The listing of a direction's latest count, or of its first question when it was never
  // counted: names and opens refer to it, as Transport.h says.
  const std::vector<PortEntry>& ListAnew(Direction direction);
  const std::vector<PortEntry>& Listed(Direction direction);

  // Every client we make is named after it, so that our own ports can be told apart.
  const std::string clientName_;
  std::vector<std::unique_ptr<MidiSystem>> systems_;
  std::optional<std::vector<PortEntry>> listings_[2];
};

}  // namespace platform
