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

void FaultInjector::Arm(Plan& plan, unsigned nth, MMRESULT code) {
  plan.failAtCall = plan.callsMade + nth;
  plan.singleCode = code;
}

MMRESULT FaultInjector::CountCall(Plan& plan) {
  ++plan.callsMade;
  if (plan.failAtCall != 0 && plan.callsMade == plan.failAtCall) {
    plan.failAtCall = 0;
    return plan.singleCode;
  }
  return plan.alwaysCode;
}

void FaultInjector::FailOnCall(PlatformCall call, unsigned nth, MMRESULT code) {
  std::lock_guard lock(mutex_);
  Arm(plans_[static_cast<std::size_t>(call)], nth, code);
}

void FaultInjector::FailTransfer(unsigned nth, MMRESULT code) {
  std::lock_guard lock(mutex_);
  Arm(transfers_, nth, code);
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
  std::lock_guard lock(mutex_);
  transfers_.failAtCall = 0;
}

unsigned FaultInjector::CallCount(PlatformCall call) const {
  std::lock_guard lock(mutex_);
  return plans_[static_cast<std::size_t>(call)].callsMade;
}

unsigned FaultInjector::TransferCount() const {
  std::lock_guard lock(mutex_);
  return transfers_.callsMade;
}

MMRESULT FaultInjector::Check(PlatformCall call) {
  std::lock_guard lock(mutex_);
  return CountCall(plans_[static_cast<std::size_t>(call)]);
}

MMRESULT FaultInjector::CheckTransfer() {
  std::lock_guard lock(mutex_);
  return CountCall(transfers_);
}

}  // namespace platform
