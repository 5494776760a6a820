#pragma once

// One MIDI system RtMidi was built with (the ALSA sequencer or JACK): whether it is running, and
// the names of its ports, listed by what is made once it answers and kept while it runs: RtMidi
// objects for ALSA, our own client for JACK (RtMidi's JACK objects would each join the process
// graph and be woken every cycle while the tool only waits). A system that is not running is
// looked for again when the retry interval has passed, never sooner.

#include <rtmidi/RtMidi.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "midi/platform/Direction.h"
#include "midi/platform/jack/JackWatch.h"
#include "midi/platform/rtmidi/ErrorRecorder.h"

namespace platform {

class MidiSystem {
 public:
  MidiSystem(RtMidi::Api api, std::string clientName, std::chrono::steady_clock::duration retryInterval);

  // True while the system runs. Window thread, as is everything here.
  bool Ready();
  RtMidi::Api Api() const { return api_; }
  // The full names of the ports that deliver to us (Input) or that we send to (Output), in the
  // system's order, as RtMidi names them; only while Ready.
  std::vector<std::string> PortNames(Direction direction);

 private:
  bool Answering() const;
  bool Probe();
  void Forget();

  const RtMidi::Api api_;
  const std::string clientName_;
  const std::chrono::steady_clock::duration retryInterval_;
  std::chrono::steady_clock::time_point nextProbe_{};
  std::unique_ptr<JackWatch> watch_;
  ErrorRecorder errors_;  // before the listers, which report to it until they go
  // ALSA's listers.
  std::unique_ptr<RtMidiIn> inputs_;
  std::unique_ptr<RtMidiOut> outputs_;
};

}  // namespace platform
