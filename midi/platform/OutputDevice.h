#pragma once

// One open MIDI output device of the emulation. A long message that the transport takes at once
// goes out inside midiOutLongMsg, on the caller's thread, and is reported done there through the
// client's callback (MOM_DONE), as a driver that completes inside the call does: no thread stands
// between a reply and the next block. One that would have to wait goes to a sender thread of the
// device's own, which sends it and reports it done, and every later one queues behind it, so the
// order holds; the window thread never waits for a transfer. Like the platform's drivers, the
// device takes only so many long messages at once and refuses more as busy (MIDIERR_NOTREADY).

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "midi/platform/Transport.h"

namespace platform {

class OutputDevice {
 public:
  // The conversation has one block (or FinishRequest) in flight, and the message before it while
  // its completion is on its way to the window thread; probes are a few bytes each. Eight leave
  // room for probes to an output that is slow for a while, and hold at most eight blocks
  // however fast a device asks for more.
  static constexpr unsigned kMaxLongMessagesInFlight = 8;

  OutputDevice(MIDICALLBACK callback, DWORD_PTR instance);
  ~OutputDevice();

  HMIDIOUT Handle() { return reinterpret_cast<HMIDIOUT>(this); }

  // Window thread.
  MMRESULT Connect(Transport& transport, UINT index);
  MMRESULT Close();
  MMRESULT ShortMsg(DWORD message);
  MMRESULT LongMsg(MIDIHDR* header, UINT headerSize);
  MMRESULT Reset();
  void Notify(UINT message, DWORD_PTR param1, DWORD_PTR param2) noexcept;
  // The device was switched off: every call but closing answers MMSYSERR_NODRIVER.
  bool SwitchedOff() const;

 private:
  struct Queued {
    MIDIHDR* header;
    bool withdrawn;          // handed back by a reset without being sent
    MMRESULT transferFault;  // armed by a test: the transport fails this one
  };

  void SendLoop();
  bool TakeNext(Queued& next);
  // What the transport made of the message now, or nothing if it would have to wait.
  std::optional<MMRESULT> TransferAtOnce(const Queued& message);
  MMRESULT Transfer(const Queued& message);
  void AwaitHandBack();
  void StopSender();
  void Complete(MIDIHDR& header, MMRESULT result);
  // A send on the handle of a device switched off.
  MMRESULT RefuseSend() const;

  const MIDICALLBACK callback_;
  const DWORD_PTR instance_;
  WindowsBehaviour behaviour_;  // as it was at the open
  std::unique_ptr<OutputConnection> connection_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::condition_variable_any drained_;
  std::deque<Queued> queue_;
  unsigned inFlight_ = 0;      // queued or being sent; guarded by mutex_
  unsigned reporting_ = 0;     // done, MOM_DONE not yet reported; guarded by mutex_
  bool transferring_ = false;  // the sender is in a transfer; guarded by mutex_
  // Completions wait until then: a reset that hands back late set it; guarded by mutex_.
  std::chrono::steady_clock::time_point handBackAt_{};
  bool stopping_ = false;  // the sender ends once the queue is empty; guarded by mutex_
  std::jthread sender_;    // last, so it stops before what it uses goes away
};

}  // namespace platform
