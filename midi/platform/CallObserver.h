#pragma once

// Lets a benchmark see moments of the emulation as they happen, to time what the tool does between
// them and to count the threads a block passes through: a client's callback about to be called, a
// midiOutLongMsg call, and a long message handed to the transport. Nothing is observed unless an
// observer is set; then each moment costs one atomic load.

#include "midi/platform/MmSystem.h"

namespace platform {

class CallObserver {
 public:
  // Just before a client's input callback is called with `message`, on the calling thread: a
  // driver thread for what came in, so it must not allocate, block or lock.
  virtual void InputCallbackCalled(UINT message, DWORD_PTR param1) noexcept = 0;
  // On entering midiOutLongMsg, and as it is about to return `result`. Window thread.
  virtual void LongMsgEntered(const MIDIHDR* header) noexcept = 0;
  virtual void LongMsgReturning(const MIDIHDR* header, MMRESULT result) noexcept = 0;
  // Just before a long message's bytes are handed to the transport, on the thread that hands them
  // over (the caller's inside midiOutLongMsg, or the device's sender thread): must not allocate,
  // block or lock.
  virtual void LongMsgTransferring(const MIDIHDR*) noexcept {}
  // Just before a client's output callback is called with `message` (MOM_DONE: `param1` is the
  // header), on the calling thread; the same rules.
  virtual void OutputCallbackCalled(UINT, DWORD_PTR) noexcept {}

 protected:
  ~CallObserver() = default;
};

// Sets the observer, or none; it must outlive every port opened while it is set. Set it before
// any port opens.
void ObserveCalls(CallObserver* observer) noexcept;
CallObserver* CurrentCallObserver() noexcept;

}  // namespace platform
