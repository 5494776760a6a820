#pragma once

#include <exception>
#include <functional>

namespace framework {

// What the application does with an exception that escapes a handler entered from the event
// loop (a message delivery, a timer tick, form creation). Until the application object exists it
// writes the message to standard error; tests replace it to observe what escapes.
using ExceptionHook = std::function<void(std::exception_ptr)>;

// Installs `hook` and gives back the one it replaces. An empty hook restores the default.
ExceptionHook SetExceptionHook(ExceptionHook hook);

// Runs `handler`; anything it throws goes to the current hook and stops there. Window thread.
void RunGuarded(const std::function<void()>& handler);

}  // namespace framework
