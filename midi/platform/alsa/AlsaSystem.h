#pragma once

// The ALSA sequencer as one of the machine's MIDI systems. Its ports are listed through RtMidi,
// with a sequencer client of ours that tells a driver's port from a program's; they are opened as
// AlsaInputPort and AlsaOutputPort. The sequencer is first asked through its own library
// (SystemProbe.h): RtMidi prints while it is being built, before it can be told not to.

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include <memory>
#include <string>
#include <vector>

#include "midi/platform/MidiSystem.h"
#include "midi/platform/alsa/ErrorRecorder.h"

namespace platform {

class AlsaSystem final : public MidiSystem {
 public:
  AlsaSystem(std::string clientName, std::chrono::steady_clock::duration retryInterval);
  ~AlsaSystem() override;

  std::vector<SystemPort> Ports(Direction direction) override;
  std::unique_ptr<InputConnection> OpenInput(const std::string& name, InputSink& sink, MMRESULT& result) override;
  std::unique_ptr<OutputConnection> OpenOutput(const std::string& name, MMRESULT& result) override;

 private:
  bool Connect() override;
  bool Connected() const override { return inputs_ != nullptr; }
  bool Lost() const override { return false; }
  void Forget() override;
  PortSource SourceOfPort(const std::string& name) const;

  ErrorRecorder errors_;  // before the listers, which report to it until they go
  std::unique_ptr<RtMidiIn> inputs_;
  std::unique_ptr<RtMidiOut> outputs_;
  snd_seq_t* clientLookup_ = nullptr;  // asks the sequencer about a port's client
};

}  // namespace platform
