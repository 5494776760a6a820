#pragma once

#include "midi/platform/FaultInjector.h"
#include "midi/platform/Transport.h"

namespace platform {

// The result an emulated call must give because a test armed a fault for it, or
// MMSYSERR_NOERROR. Counts the call.
inline MMRESULT CheckFault(PlatformCall call) {
  Transport* transport = CurrentTransport();
  FaultInjector* faults = transport != nullptr ? transport->Faults() : nullptr;
  return faults != nullptr ? faults->Check(call) : MMSYSERR_NOERROR;
}

// The result the transfer of a long message just taken must give, or MMSYSERR_NOERROR. Counts
// the transfer.
inline MMRESULT CheckTransferFault() {
  Transport* transport = CurrentTransport();
  FaultInjector* faults = transport != nullptr ? transport->Faults() : nullptr;
  return faults != nullptr ? faults->CheckTransfer() : MMSYSERR_NOERROR;
}

}  // namespace platform
