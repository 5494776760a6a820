#include "midi/platform/alsa/ErrorRecorder.h"

namespace platform {

void ErrorRecorder::Install(RtMidi& midi) { midi.setErrorCallback(&ErrorRecorder::Record, this); }

void ErrorRecorder::Record(RtMidiError::Type type, const std::string&, void* recorder) {
  if (type == RtMidiError::DEBUG_WARNING) return;
  static_cast<ErrorRecorder*>(recorder)->reported_.store(true, std::memory_order_relaxed);
}

}  // namespace platform
