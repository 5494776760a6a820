#pragma once

// One MIDI system of the machine (the ALSA sequencer, JACK): whether it is running, the ports it
// lists, and how one of them is opened. Each system's folder implements it; the transport that
// spans systems (systems/) numbers their ports together and opens each through its own system.
// A system that is not running is looked for again when the retry interval has passed, never
// sooner: asking costs each system something (a library that prints, a client that connects).

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "midi/platform/Direction.h"
#include "midi/platform/MidiSystems.h"
#include "midi/platform/Transport.h"

namespace platform {

// Who offers a port, in the order the transport numbers them (see systems/PortListing.h).
enum class PortSource {
  Jack,              // any JACK client: programs, and bridges' copies of other systems' ports
  AlsaUserClient,    // a program on the ALSA sequencer
  AlsaKernelClient,  // a driver on the ALSA sequencer: a MIDI interface's own ports
};

struct SystemPort {
  std::string name;  // full, as the system names it
  PortSource source;
};

class MidiSystem {
 public:
  MidiSystem(MidiSystems which, std::string clientName, std::chrono::steady_clock::duration retryInterval);
  virtual ~MidiSystem() = default;
  MidiSystem(const MidiSystem&) = delete;
  MidiSystem& operator=(const MidiSystem&) = delete;

  MidiSystems Which() const { return which_; }
  // True while the system runs. Window thread, as is everything here.
  bool Ready();

  // The ports that deliver to us (Input) or that we send to (Output), in the system's order;
  // only while Ready.
  virtual std::vector<SystemPort> Ports(Direction direction) = 0;
  // A listed port, opened by its full name; null with `result` set (MMSYSERR_BADDEVICEID for a
  // port that has gone since it was listed).
  virtual std::unique_ptr<InputConnection> OpenInput(const std::string& name, InputSink& sink, MMRESULT& result) = 0;
  virtual std::unique_ptr<OutputConnection> OpenOutput(const std::string& name, MMRESULT& result) = 0;

 protected:
  // Every client a system makes is named so, so that our own ports can be told apart.
  const std::string& ClientName() const { return clientName_; }

 private:
  // Connects to the system; true when it answers. Once it has answered, Lost tells whether it has
  // gone since, and Forget lets go of whatever Connect made (also after a failed Connect).
  virtual bool Connect() = 0;
  virtual bool Connected() const = 0;
  virtual bool Lost() const = 0;
  virtual void Forget() = 0;

  const MidiSystems which_;
  const std::string clientName_;
  const std::chrono::steady_clock::duration retryInterval_;
  std::chrono::steady_clock::time_point nextProbe_{};
};

}  // namespace platform
