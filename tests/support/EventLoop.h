#pragma once

// The window thread's event loop, run by hand from a test: Qt's on Linux
// (tests/support/qt/EventLoop.cpp), the thread's message queue on Windows
// (tests/support/win32/EventLoop.cpp).

#include <chrono>
#include <functional>

namespace testsupport {

// Runs the window thread's event loop until `done` holds or `timeout` passes; gives `done()`.
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs the event loop, never waiting, until a round of it finds nothing to handle: every posted
// event, readable descriptor (a message window's wake-up among them) and due timer has been
// dealt with, and so has whatever those handlers posted in turn. For checks that something does
// not happen, once whatever could cause it has reached the window thread (input once
// SimulatedTransport::WaitUntilDelivered has returned, completions once Close has). False when
// the loop still had work after many rounds (a window takes 256 notices a round on Linux), as
// when something posts for ever.
bool ProcessPendingEvents();

// Runs the event loop for `duration`, for checks that something does not happen as time passes.
void ProcessEventsFor(std::chrono::milliseconds duration);

}  // namespace testsupport
