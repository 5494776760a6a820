#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "framework/Messages.h"

namespace framework {

class MessageWindow;

// A hidden message window, known to other threads only by its handle.
using HWND = MessageWindow*;

// The window procedure: runs in the window thread, one message at a time.
using TWndMethod = std::function<void(TMessage& message)>;

// Posted messages a window holds before further posts fail, as the platform's queue limit.
inline constexpr std::uint32_t kMessageQueueCapacity = 10000;

// Posted messages one wake-up of a window delivers: a flood of posts must not starve timers and
// input. Whoever runs the event loop by hand needs as many passes as this divides the posts into.
inline constexpr std::size_t kDeliveriesPerWakeUp = 256;

// The platform's GetLastError value after a post to a full queue.
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_QUOTA = 1816;

// The platform's GetLastError value after a post to an empty handle.
inline constexpr std::uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;

// Creates a message window in the calling thread (the window thread, which runs a Qt event
// loop); its messages are delivered to `method` there, in posting order, each under the
// application's exception guard. Allocates.
HWND AllocateHWnd(TWndMethod method);

// Destroys the window; messages still queued are discarded. Window thread only, and only once
// nothing can post to it any more; never from within the window's own method.
void DeallocateHWnd(HWND window);

// For a window that a device which refuses to close may still post to: from now on every message
// is dropped without reaching the method, and the window is never destroyed. Window thread only;
// allowed from within the window's own method.
void AbandonHWnd(HWND window);

// Queues a message for the window. Any thread; never allocates, blocks or locks. Returns false
// when the window's queue is full (GetLastError() then gives ERROR_NOT_ENOUGH_QUOTA) or the
// handle is empty (ERROR_INVALID_WINDOW_HANDLE).
bool PostMessageA(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) noexcept;

// The calling thread's error code from its latest failed PostMessageA.
std::uint32_t GetLastError() noexcept;

}  // namespace framework
