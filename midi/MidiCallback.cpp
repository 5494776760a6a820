#include "midi/MidiCallback.h"

#include <new>
#include <type_traits>

#include "midi/PortMessages.h"
#include "midi/SharedMemory.h"

namespace midi {

namespace {

constexpr DWORD_PTR kTimingClock = 0xF8;
constexpr DWORD_PTR kActiveSensing = 0xFE;

// The two real-time filters compare the whole parameter, so they only ever match a lone
// timing-clock or active-sensing byte: for long messages the parameter is a header address.
bool IsFilteredOut(const CallbackInstance& instance, UINT message, DWORD_PTR param1) noexcept {
  if (param1 == kTimingClock && instance.DropTimingClock.load(std::memory_order_relaxed)) return true;
  if (param1 == kActiveSensing && instance.DropActiveSensing.load(std::memory_order_relaxed)) return true;
  return message == MIM_DATA && instance.DropShortMessages.load(std::memory_order_relaxed);
}

void CountLoss(CallbackInstance& instance) noexcept {
  if (instance.LossesUnreported.fetch_add(1, std::memory_order_acq_rel) == 0)
    framework::PostMessageA(instance.Window, kRingOverflow, 0, 0);
}

void StoreInput(CallbackInstance& instance, UINT message, DWORD_PTR param1, DWORD_PTR param2) noexcept {
  if (IsFilteredOut(instance, message, param1) || instance.EventBuffer == nullptr) return;
  BufferedEvent item{};
  item.TimeStamp = static_cast<DWORD>(param2);
  if (message == MIM_DATA) {
    item.ShortMessage = static_cast<DWORD>(param1);
  } else {
    item.SysexHeader = reinterpret_cast<MIDIHDR*>(param1);
  }
  if (CircularBufferPut(instance.EventBuffer, item)) {
    framework::PostMessageA(instance.Window, MIM_DATA, 0, 0);
  } else if (item.SysexHeader != nullptr) {
    // One each: a buffer can be dropped only once before the port lends it again.
    framework::PostMessageA(instance.Window, kRingOverflow, 0, reinterpret_cast<std::intptr_t>(item.SysexHeader));
  } else {
    CountLoss(instance);
  }
}

}  // namespace

CallbackInstance* CreateCallbackInstance() {
  const SharedBlock block = SharedLockedAlloc(sizeof(CallbackInstance));
  if (block.Address == nullptr) return nullptr;
  auto* instance = new (block.Address) CallbackInstance{};
  instance->OwnHandle = block.Handle;
  return instance;
}

void FreeCallbackInstance(CallbackInstance* instance) {
  if (instance == nullptr) return;
  const HGLOBAL own = instance->OwnHandle;
  instance->~CallbackInstance();
  SharedLockedFree(own);
}

// The ports hand the platform the callback's address as a number, so the compiler checks its type
// here: a calling convention or parameter list the platform does not call with fails the build
// (32-bit Windows keeps __stdcall and the C convention apart; 64-bit has only one).
static_assert(std::is_convertible_v<decltype(&MidiDriverCallback), DriverCallback>);

void CALLBACK MidiDriverCallback(DriverHandle /*device*/, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                 DWORD_PTR param2) noexcept {
  auto* record = reinterpret_cast<CallbackInstance*>(instance);
  if (record == nullptr) return;
  switch (message) {
    case kMimInputLost:  // the emulation's: reported as an event dropped, with no buffer to lend again
      if (record->EventBuffer != nullptr) CountLoss(*record);
      break;
    case MIM_DATA:
    case MIM_LONGDATA:
    case MIM_LONGERROR:  // a broken System Exclusive message is stored like a whole one
      StoreInput(*record, message, param1, param2);
      break;
    case MOM_DONE:
      // The second parameter is 0 from the platform's own drivers; the emulation puts there the
      // failure of a transfer that failed after midiOutLongMsg had returned.
      framework::PostMessageA(record->Window, MOM_DONE, static_cast<std::uintptr_t>(param2),
                              static_cast<std::intptr_t>(param1));
      break;
    default:  // opening, closing, and invalid short messages (MIM_ERROR) are of no interest
      break;
  }
}

}  // namespace midi
