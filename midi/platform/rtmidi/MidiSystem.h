#pragma once

// One MIDI system RtMidi was built with (the ALSA sequencer or JACK): whether it is running, and
// the RtMidi objects that list its ports, made once it answers and kept while it runs. A system
// that is not running is looked for again when the retry interval has passed, never sooner.

#include <rtmidi/RtMidi.h>

#include <chrono>
#include <memory>
#include <string>

#include "midi/platform/rtmidi/ErrorRecorder.h"
#include "midi/platform/rtmidi/JackWatch.h"

namespace platform {

enum class Direction { Input, Output };

class MidiSystem {
 public:
  MidiSystem(RtMidi::Api api, std::string clientName, std::chrono::steady_clock::duration retryInterval);

  // True while the system runs. Window thread, as is everything here.
  bool Ready();
  RtMidi::Api Api() const { return api_; }
  // The lister of ports that deliver to us (Input) or that we send to (Output); only while Ready.
  RtMidi& Lister(Direction direction);
  // JACK's watch while the server runs; null for other systems.
  const std::shared_ptr<JackWatch>& Watch() const { return watch_; }

 private:
  bool Probe();
  void Forget();

  const RtMidi::Api api_;
  const std::string clientName_;
  const std::chrono::steady_clock::duration retryInterval_;
  std::chrono::steady_clock::time_point nextProbe_{};
  std::shared_ptr<JackWatch> watch_;
  ErrorRecorder errors_;  // before the listers, which report to it until they go
  std::unique_ptr<RtMidiIn> inputs_;
  std::unique_ptr<RtMidiOut> outputs_;
};

}  // namespace platform
