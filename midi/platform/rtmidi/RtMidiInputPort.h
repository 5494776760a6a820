#pragma once

// An open input port of the ALSA sequencer: an RtMidiIn of our own, connected to the port and
// delivering everything it receives through a WireSplitter to the sink. Destroying it closes the
// port; RtMidi's thread has stopped by then, so the sink hears nothing more.

#include <rtmidi/RtMidi.h>

#include <memory>
#include <string>

#include "midi/platform/Transport.h"
#include "midi/platform/WireSplitter.h"
#include "midi/platform/rtmidi/ErrorRecorder.h"

namespace platform {

class RtMidiInputPort final : public InputConnection {
 public:
  // Null, with `result` set, when the port is gone or cannot be opened.
  static std::unique_ptr<RtMidiInputPort> Open(RtMidi::Api api, const std::string& clientName,
                                               const std::string& portName, InputSink& sink, MMRESULT& result);
  ~RtMidiInputPort() override = default;

 private:
  explicit RtMidiInputPort(InputSink& sink) : splitter_(sink) {}
  MMRESULT Connect(RtMidi::Api api, const std::string& clientName, const std::string& portName);
  static void Deliver(double timeStamp, std::vector<unsigned char>* message, void* port);

  WireSplitter splitter_;  // RtMidi's input thread only
  ErrorRecorder errors_;   // before input_, which reports to it until it goes
  std::unique_ptr<RtMidiIn> input_;
};

}  // namespace platform
