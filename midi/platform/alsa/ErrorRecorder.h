#pragma once

// Takes RtMidi's error reports in place of stderr and remembers whether one came since it was
// last cleared. RtMidi reports through it instead of printing or throwing once it is installed.

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <string>

namespace platform {

class ErrorRecorder {
 public:
  // Installs the recorder on `midi`; it must outlive `midi`.
  void Install(RtMidi& midi);
  void Clear() { reported_.store(false, std::memory_order_relaxed); }
  // Debug-only notes do not count.
  bool Reported() const { return reported_.load(std::memory_order_relaxed); }

 private:
  static void Record(RtMidiError::Type type, const std::string& text, void* recorder);

  // RtMidi's input thread may report too.
  std::atomic<bool> reported_{false};
};

}  // namespace platform
