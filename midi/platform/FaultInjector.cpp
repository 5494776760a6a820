#include "midi/platform/FaultInjector.h"

namespace platform {

namespace {

constexpr const char* kCallNames[] = {
    "GlobalAlloc",          "GlobalLock",     "midiInGetNumDevs",    "midiInGetDevCapsA",     "midiInGetErrorTextA",
    "midiInOpen",           "midiInClose",    "midiInPrepareHeader", "midiInUnprepareHeader", "midiInAddBuffer",
    "midiInStart",          "midiInStop",     "midiInReset",         "midiOutGetNumDevs",     "midiOutGetDevCapsA",
    "midiOutGetErrorTextA", "midiOutOpen",    "midiOutClose",        "midiOutPrepareHeader",  "midiOutUnprepareHeader",
    "midiOutShortMsg",      "midiOutLongMsg", "midiOutReset",
};
static_assert(std::size(kCallNames) == static_cast<std::size_t>(PlatformCall::Count));

}  // namespace

const char* PlatformCallName(PlatformCall call) { return kCallNames[static_cast<std::size_t>(call)]; }

void FaultInjector::FailOnCall(PlatformCall call, unsigned nth, MMRESULT code) {
  std::lock_guard lock(mutex_);
  Plan& plan = plans_[static_cast<std::size_t>(call)];
  plan.failAtCall = plan.callsMade + nth;
  plan.singleCode = code;
}

void FaultInjector::FailAlways(PlatformCall call, MMRESULT code) {
  std::lock_guard lock(mutex_);
  plans_[static_cast<std::size_t>(call)].alwaysCode = code;
}

void FaultInjector::Clear(PlatformCall call) {
  std::lock_guard lock(mutex_);
  Plan& plan = plans_[static_cast<std::size_t>(call)];
  plan.failAtCall = 0;
  plan.alwaysCode = MMSYSERR_NOERROR;
}

void FaultInjector::ClearAll() {
  for (std::size_t i = 0; i < plans_.size(); ++i) Clear(static_cast<PlatformCall>(i));
}

unsigned FaultInjector::CallCount(PlatformCall call) const {
  std::lock_guard lock(mutex_);
  return plans_[static_cast<std::size_t>(call)].callsMade;
}

MMRESULT FaultInjector::Check(PlatformCall call) {
  std::lock_guard lock(mutex_);
  Plan& plan = plans_[static_cast<std::size_t>(call)];
  ++plan.callsMade;
  if (plan.failAtCall != 0 && plan.callsMade == plan.failAtCall) {
    plan.failAtCall = 0;
    return plan.singleCode;
  }
  return plan.alwaysCode;
}

}  // namespace platform
