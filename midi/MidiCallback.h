#pragma once

// The single driver callback of both port kinds, and the record it is handed with every call.

#include <atomic>

#include "framework/MessageWindow.h"
#include "midi/CircularEventBuffer.h"
#include "midi/platform/MmSystem.h"

namespace midi {

// One per port that has been opened, in a shared block at a fixed address. The owning port
// writes the three flags at any time; the callback reads each once per call.
struct CallbackInstance {
  HGLOBAL OwnHandle;
  CircularEventBuffer* EventBuffer;  // the input port's ring; none for an output port
  framework::HWND Window;            // the owning port's hidden message window
  std::atomic<bool> DropShortMessages;
  std::atomic<bool> DropTimingClock;
  std::atomic<bool> DropActiveSensing;
  // Input lost without a buffer to lend again (a short message the full ring dropped, input the
  // platform lost), counted here rather than posted one notice each: a flood of them would fill
  // the window's queue, and a MOM_DONE that finds it full is lost with its header. One notice
  // goes out when the count leaves 0; the port takes the whole count with any notice.
  std::atomic<DWORD> LossesUnreported;
};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<DWORD>::is_always_lock_free);

// A zero-filled record in a shared block, or none when memory cannot be had. Window thread.
CallbackInstance* CreateCallbackInstance();
// Does nothing for none. Only once no open device can call back with it.
void FreeCallbackInstance(CallbackInstance* instance);

// The device handle and the function pointer type the platform's callback is called with.
#ifdef MIDI_SERVICES_WINMM
using DriverHandle = HDRVR;
using DriverCallback = LPMIDICALLBACK;
#else
using DriverHandle = void*;
using DriverCallback = MIDICALLBACK;
#endif

// Runs on the platform's driver thread (and, while an input device is being reset, in the
// caller's thread). It filters, stores one event in the ring and posts one notice to the port's
// window; it allocates nothing, frees nothing, locks nothing and never calls into a port object.
//
// Posts MIM_DATA for a stored input item, kRingOverflow (PortMessages.h) with the header for a
// System Exclusive buffer dropped because the ring was full, kRingOverflow without one when input
// without a buffer starts to be lost (counted in LossesUnreported), and MOM_DONE with the
// finished header (lParam) and the result of its transfer (wParam) for an output buffer.
void CALLBACK MidiDriverCallback(DriverHandle device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                 DWORD_PTR param2) noexcept;

}  // namespace midi
