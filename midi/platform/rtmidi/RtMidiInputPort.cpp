#include "midi/platform/rtmidi/RtMidiInputPort.h"

#include "midi/platform/rtmidi/InputDelivery.h"
#include "midi/platform/rtmidi/PortListing.h"

namespace platform {

namespace {
const std::string kOwnPortName = "in";
}  // namespace

std::unique_ptr<RtMidiInputPort> RtMidiInputPort::Open(RtMidi::Api api, const std::string& clientName,
                                                       const std::string& portName, InputSink& sink,
                                                       MMRESULT& result) {
  std::unique_ptr<RtMidiInputPort> port(new RtMidiInputPort());
  result = port->Connect(api, clientName, portName, sink);
  if (result != MMSYSERR_NOERROR) return nullptr;
  return port;
}

// The port is looked up by name in the new client's own list, so that ports coming or going
// since the caller's list cannot shift it to another port.
MMRESULT RtMidiInputPort::Connect(RtMidi::Api api, const std::string& clientName, const std::string& portName,
                                  InputSink& sink) {
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
  input_->setCallback(&DeliverToSink, &sink);
  errors_.Clear();
  input_->openPort(*number, kOwnPortName);
  return errors_.Reported() ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

}  // namespace platform
