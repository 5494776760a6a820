#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "framework/Messages.h"

#ifdef _WIN32
struct HWND__;
#endif

namespace framework {

// A hidden message window, known to other threads only by its handle: on Windows the system's
// own message-only window (the type is the system's HWND), elsewhere one of ours.
#ifdef _WIN32
using HWND = ::HWND__*;
#else
class MessageWindow;
using HWND = MessageWindow*;
#endif

// The window procedure: runs in the window thread, one message at a time.
using TWndMethod = std::function<void(TMessage& message)>;

// Posted messages a window holds before further posts fail: the platform's limit of a thread's
// queue, which on Windows all windows of the thread share.
inline constexpr std::uint32_t kMessageQueueCapacity = 10000;

// Posted messages one wake-up of a window delivers on Linux: a flood of posts must not starve
// timers and input. Whoever runs the event loop by hand needs as many passes as this divides the
// posts into. (Windows hands a thread's posted messages over before its timers, as it always has.)
inline constexpr std::size_t kDeliveriesPerWakeUp = 256;

// The platform's GetLastError value after a post to a full queue (ERROR_NOT_ENOUGH_QUOTA).
inline constexpr std::uint32_t kErrorNotEnoughQuota = 1816;

// The platform's GetLastError value after a post to an empty handle (ERROR_INVALID_WINDOW_HANDLE).
inline constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;

// Creates a message window in the calling thread (the window thread, which runs the event loop); its messages are
// delivered to `method` there, in posting order, each under the application's exception guard. Allocates.
HWND AllocateHWnd(TWndMethod method);

// Destroys the window; messages still queued are discarded. Window thread only, and only once
// nothing can post to it any more; never from within the window's own method.
void DeallocateHWnd(HWND window);

// For a window that a device which refuses to close may still post to: from now on every message
// is dropped without reaching the method, and the window is never destroyed. Window thread only;
// allowed from within the window's own method.
void AbandonHWnd(HWND window);

// Queues a message for the window. Any thread; on Linux it never allocates, blocks or locks, on
// Windows it is the system's own PostMessageA. Returns false
// when the window's queue is full (GetLastError() then gives kErrorNotEnoughQuota) or the
// handle is empty (kErrorInvalidWindowHandle).
bool PostMessageA(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) noexcept;

// The calling thread's error code from its latest failed PostMessageA.
std::uint32_t GetLastError() noexcept;

}  // namespace framework
