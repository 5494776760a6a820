#pragma once

// Makes chosen platform calls fail with a chosen result code: on the next call, on the n-th call
// from now, or on every call until cleared; and the transfer of a long message that
// midiOutLongMsg took, once the call has returned. Consulted by the emulation at the start of
// each call (window thread); armed by tests from any thread.

#include <array>
#include <cstddef>
#include <iterator>
#include <mutex>

#include "midi/platform/MmSystem.h"

namespace platform {

enum class PlatformCall : std::size_t {
  GlobalAlloc,
  GlobalLock,
  midiInGetNumDevs,
  midiInGetDevCapsA,
  midiInGetErrorTextA,
  midiInOpen,
  midiInClose,
  midiInPrepareHeader,
  midiInUnprepareHeader,
  midiInAddBuffer,
  midiInStart,
  midiInStop,
  midiInReset,
  midiOutGetNumDevs,
  midiOutGetDevCapsA,
  midiOutGetErrorTextA,
  midiOutOpen,
  midiOutClose,
  midiOutPrepareHeader,
  midiOutUnprepareHeader,
  midiOutShortMsg,
  midiOutLongMsg,
  midiOutReset,
  Count
};

const char* PlatformCallName(PlatformCall call);

class FaultInjector {
 public:
  // The `nth` call from now (1 = the next one) gives `code`; later calls succeed again.
  void FailOnCall(PlatformCall call, unsigned nth, MMRESULT code);
  void FailNext(PlatformCall call, MMRESULT code) { FailOnCall(call, 1, code); }
  // Every call gives `code` until Clear.
  void FailAlways(PlatformCall call, MMRESULT code);
  void Clear(PlatformCall call);
  void ClearAll();

  // How often the call was made since creation, failed or not.
  unsigned CallCount(PlatformCall call) const;

  // The `nth` long message from now that midiOutLongMsg takes (1 = the next one) fails on its way
  // to the device with `code`, as a transport fails when the destination went away or stayed
  // full: the call succeeds, the bytes never arrive, and the completion carries `code`.
  void FailTransfer(unsigned nth, MMRESULT code);
  // Long messages taken for transfer since creation.
  unsigned TransferCount() const;

  // Counts the call and gives the code it must fail with, or MMSYSERR_NOERROR.
  MMRESULT Check(PlatformCall call);
  // Counts a long message taken for transfer and gives the code its transfer must fail with.
  MMRESULT CheckTransfer();

 private:
  struct Plan {
    unsigned callsMade = 0;
    unsigned failAtCall = 0;  // 0: no single failure armed
    MMRESULT singleCode = MMSYSERR_NOERROR;
    MMRESULT alwaysCode = MMSYSERR_NOERROR;
  };
  static void Arm(Plan& plan, unsigned nth, MMRESULT code);
  static MMRESULT CountCall(Plan& plan);

  mutable std::mutex mutex_;
  std::array<Plan, static_cast<std::size_t>(PlatformCall::Count)> plans_{};
  Plan transfers_{};
};

}  // namespace platform
