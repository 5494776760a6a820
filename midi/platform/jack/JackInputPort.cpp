#include "midi/platform/jack/JackInputPort.h"

namespace platform {

namespace {
const std::string kOwnPortName = "in";
}  // namespace

std::unique_ptr<JackInputPort> JackInputPort::Open(const std::string& clientName, const std::string& source,
                                                   InputSink& sink, MMRESULT& result) {
  std::unique_ptr<JackInputPort> port(new JackInputPort(sink));
  port->input_ = JackMidiInput::Open(clientName, kOwnPortName, *port, source);
  if (port->input_ == nullptr) {
    result = MMSYSERR_ERROR;
    return nullptr;
  }
  if (!port->input_->Client().ConnectWith(source)) {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  result = MMSYSERR_NOERROR;
  return port;
}

}  // namespace platform
