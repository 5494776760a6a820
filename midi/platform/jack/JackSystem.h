#pragma once

// JACK as one of the machine's MIDI systems: the watch (JackWatch.h) proves the server is there,
// hears it go, and lists its ports; they are opened as JackInputPort and JackOutputPort, each on a
// client of its own. RtMidi is not used for JACK: each of its JACK objects would join the process
// graph and be woken every cycle while the tool only waits.

#include <memory>
#include <string>
#include <vector>

#include "midi/platform/MidiSystem.h"
#include "midi/platform/jack/JackWatch.h"

namespace platform {

class JackSystem final : public MidiSystem {
 public:
  JackSystem(std::string clientName, std::chrono::steady_clock::duration retryInterval);
  ~JackSystem() override;

  std::vector<SystemPort> Ports(Direction direction) override;
  std::unique_ptr<InputConnection> OpenInput(const std::string& name, InputSink& sink, MMRESULT& result) override;
  std::unique_ptr<OutputConnection> OpenOutput(const std::string& name, MMRESULT& result) override;

 private:
  bool Connect() override;
  bool Connected() const override { return watch_ != nullptr; }
  bool Lost() const override { return watch_->ServerGone(); }
  void Forget() override { watch_.reset(); }

  std::unique_ptr<JackWatch> watch_;
};

}  // namespace platform
