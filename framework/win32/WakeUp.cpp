#include "framework/WakeUp.h"

#include <windows.h>

#include <string>

#include "framework/Exception.h"

namespace framework {

namespace {

// Manual reset: it stays signalled until the waiting thread acknowledges, as a readable eventfd does.
void* CreateWakeUpEvent() {
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr)
    throw Exception("Cannot create a wake-up event: system error " + std::to_string(::GetLastError()));
  return event;
}

}  // namespace

WakeUp::WakeUp() : event_(CreateWakeUpEvent()) {}

WakeUp::~WakeUp() { ::CloseHandle(event_); }

void WakeUp::Acknowledge() noexcept {
  // Reset first, clear second: a request between the two signals again, so none is lost.
  ::ResetEvent(event_);
  pending_.exchange(false, std::memory_order_seq_cst);
}

void WakeUp::Rearm() noexcept { ::SetEvent(event_); }

void WakeUp::Wait() noexcept {
  ::WaitForSingleObject(event_, INFINITE);
  Acknowledge();
}

}  // namespace framework
