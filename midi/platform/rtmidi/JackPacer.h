#pragma once

// Paces what one output port hands to RtMidi on JACK so that nothing is lost. RtMidi puts each
// message into a ring of its own, and JACK's process cycle moves everything the ring holds into
// the port's buffer for that cycle; what does not fit in that buffer is dropped without a word.
// So no more is handed over than one cycle carries (nor than RtMidi's ring holds, where a
// message that does not fit would wait inside RtMidi, for ever if the server is gone), counting
// every message that may not have gone out yet.

#include <atomic>
#include <cstddef>
#include <memory>

#include "midi/platform/rtmidi/CycleBudget.h"
#include "midi/platform/rtmidi/JackWatch.h"

namespace platform {

class JackPacer {
 public:
  enum class Room { Ready, Cancelled, ServerGone };

  // Has the watch count cycles from now on.
  explicit JackPacer(std::shared_ptr<JackWatch> watch);

  // The longest message that can go out at all.
  std::size_t LargestMessage() const;
  // Waits until a message of `size` bytes may go out; `cancel`, when given and set, ends the wait.
  Room MakeRoom(std::size_t size, const std::atomic<bool>* cancel);
  // Counts a message of `size` bytes just handed to RtMidi.
  void Sent(std::size_t size);

 private:
  std::shared_ptr<JackWatch> watch_;
  CycleBudget pending_;
};

}  // namespace platform
