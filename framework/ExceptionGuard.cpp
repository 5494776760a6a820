#include "framework/ExceptionGuard.h"

#include <string>
#include <utility>

#include "framework/ErrorText.h"
#include "framework/StandardLines.h"

namespace framework {

namespace {

void WriteToStandardError(std::exception_ptr error) { WriteStandardLine(StandardStream::Error, MessageOf(error)); }

// Only the window thread touches it, so it needs no lock.
ExceptionHook& CurrentHook() {
  static ExceptionHook hook = WriteToStandardError;
  return hook;
}

}  // namespace

ExceptionHook SetExceptionHook(ExceptionHook hook) {
  if (!hook) hook = WriteToStandardError;
  return std::exchange(CurrentHook(), std::move(hook));
}

void RunGuarded(const std::function<void()>& handler) {
  std::exception_ptr error;
  try {
    handler();
  } catch (...) {
    error = std::current_exception();
  }
  if (!error) return;
  // A copy, so a hook that replaces itself does not destroy the function it is running in.
  const ExceptionHook hook = CurrentHook();
  hook(error);
}

}  // namespace framework
