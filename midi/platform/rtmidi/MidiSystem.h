#pragma once

// One MIDI system RtMidi was built with (the ALSA sequencer or JACK): whether it is running, and
// its ports, listed by what is made once it answers and kept while it runs: RtMidi objects for
// ALSA, with a sequencer client of ours that tells the ports' clients apart, our own client for
// JACK (RtMidi's JACK objects would each join the process graph and be woken every cycle while
// the tool only waits). A system that is not running is looked for again when the retry interval
// has passed, never sooner.

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "midi/platform/Direction.h"
#include "midi/platform/jack/JackWatch.h"
#include "midi/platform/rtmidi/ErrorRecorder.h"

namespace platform {

// Who offers a port, in the order the transport numbers them (see PortListing.h).
enum class PortSource {
  Jack,              // any JACK client: programs, and bridges' copies of other systems' ports
  AlsaUserClient,    // a program on the ALSA sequencer
  AlsaKernelClient,  // a driver on the ALSA sequencer: a MIDI interface's own ports
};

struct SystemPort {
  std::string name;  // full, as RtMidi names it
  PortSource source;
};

class MidiSystem {
 public:
  MidiSystem(RtMidi::Api api, std::string clientName, std::chrono::steady_clock::duration retryInterval);
  ~MidiSystem();
  MidiSystem(const MidiSystem&) = delete;
  MidiSystem& operator=(const MidiSystem&) = delete;

  // True while the system runs. Window thread, as is everything here.
  bool Ready();
  RtMidi::Api Api() const { return api_; }
  // The ports that deliver to us (Input) or that we send to (Output), in the system's order;
  // only while Ready.
  std::vector<SystemPort> Ports(Direction direction);

 private:
  bool Answering() const;
  bool Probe();
  void Forget();
  PortSource SourceOfAlsaPort(const std::string& name) const;

  const RtMidi::Api api_;
  const std::string clientName_;
  const std::chrono::steady_clock::duration retryInterval_;
  std::chrono::steady_clock::time_point nextProbe_{};
  std::unique_ptr<JackWatch> watch_;
  ErrorRecorder errors_;  // before the listers, which report to it until they go
  // ALSA's listers, and the client that asks the sequencer about a port's client.
  std::unique_ptr<RtMidiIn> inputs_;
  std::unique_ptr<RtMidiOut> outputs_;
  snd_seq_t* clientLookup_ = nullptr;
};

}  // namespace platform
