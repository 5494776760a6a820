#include "midi/platform/rtmidi/RtMidiInputPort.h"

#include "midi/platform/rtmidi/PortListing.h"

namespace platform {

namespace {
const std::string kOwnPortName = "in";
}  // namespace

std::unique_ptr<RtMidiInputPort> RtMidiInputPort::Open(RtMidi::Api api, const std::string& clientName,
                                                       const std::string& portName, InputSink& sink, MMRESULT& result) {
  std::unique_ptr<RtMidiInputPort> port(new RtMidiInputPort(sink));
  result = port->Connect(api, clientName, portName);
  if (result != MMSYSERR_NOERROR) return nullptr;
  return port;
}

// The port is looked up by name in the new client's own list, so that ports coming or going
// since the caller's list cannot shift it to another port.
MMRESULT RtMidiInputPort::Connect(RtMidi::Api api, const std::string& clientName, const std::string& portName) {
  try {
    input_ = std::make_unique<RtMidiIn>(api, clientName);
  } catch (const RtMidiError&) {
    return MMSYSERR_ERROR;
  }
  errors_.Install(*input_);
  const std::optional<unsigned> number = FindPort(*input_, portName);
  if (!number) return MMSYSERR_BADDEVICEID;
  // Timing clock and active sensing are the driver callback's to filter.
  input_->ignoreTypes(false, false, false);
  input_->setCallback(&RtMidiInputPort::Deliver, this);
  errors_.Clear();
  input_->openPort(*number, kOwnPortName);
  return errors_.Reported() ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

// RtMidi's input thread.
void RtMidiInputPort::Deliver(double, std::vector<unsigned char>* message, void* port) {
  static_cast<RtMidiInputPort*>(port)->splitter_.Feed({message->data(), message->size()});
}

}  // namespace platform
