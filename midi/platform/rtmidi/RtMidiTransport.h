#pragma once

// The transport of the real program: every MIDI system RtMidi was built with that is running on
// the machine (the ALSA sequencer, then JACK), their ports numbered across systems, each named
// in full as its system names it. A system that is not running is skipped without a word and
// looked for again now and then, so a JACK server started later is found.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "midi/platform/Transport.h"
#include "midi/platform/rtmidi/PortListing.h"

namespace platform {

class RtMidiTransport final : public Transport {
 public:
  static constexpr std::chrono::seconds kRetryInterval{2};

  RtMidiTransport();
  ~RtMidiTransport() override;

  UINT InputCount() override;
  UINT OutputCount() override;
  bool InputInfo(UINT index, PortInfo& info) override;
  bool OutputInfo(UINT index, PortInfo& info) override;
  std::unique_ptr<InputConnection> OpenInput(UINT index, InputSink& sink, MMRESULT& result) override;
  std::unique_ptr<OutputConnection> OpenOutput(UINT index, MMRESULT& result) override;

 private:
  // A poll counts the ports, then asks for each one's name: naming them all again for every
  // question would cost a listing per port, so the questions that follow a count within a moment
  // are answered from its list. Counting and opening always list anew.
  struct Listing {
    std::vector<PortEntry> ports;
    std::chrono::steady_clock::time_point taken;
  };
  const std::vector<PortEntry>& Ports(Direction direction, bool anew);

  // Every client we make is named after it, so that our own ports can be told apart.
  const std::string clientName_;
  std::vector<std::unique_ptr<MidiSystem>> systems_;
  Listing listings_[2];
};

}  // namespace platform
