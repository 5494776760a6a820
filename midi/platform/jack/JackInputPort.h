#pragma once

// An open input port of the transport on JACK: an input port of our own, connected from the
// source, whose events go through a WireSplitter to the sink on JACK's real-time thread. Only the
// source is believed: any other connection to our port is undone, and what comes in while one is
// there is not believed and reaches the sink as a loss (JackMidiInput). Destroying it closes our
// client first, so the sink hears nothing once the destructor returns.

#include <memory>
#include <string>

#include "midi/platform/Transport.h"
#include "midi/platform/WireSplitter.h"
#include "midi/platform/jack/JackMidiInput.h"

namespace platform {

class JackInputPort final : public InputConnection, private JackEventReceiver {
 public:
  // Null, with `result` set, when the source is gone or the port cannot be made.
  static std::unique_ptr<JackInputPort> Open(const std::string& clientName, const std::string& source, InputSink& sink,
                                             MMRESULT& result);

 private:
  explicit JackInputPort(InputSink& sink) : sink_(sink), splitter_(sink) {}
  void ReceiveEvent(std::span<const BYTE> bytes) noexcept override { splitter_.Feed(bytes); }
  void EventsLost() noexcept override { sink_.ReportLoss(); }

  InputSink& sink_;
  WireSplitter splitter_;
  std::unique_ptr<JackMidiInput> input_;  // last: closed before the splitter goes
};

}  // namespace platform
