#include "app/Programmer.h"

#include <utility>

#include "framework/ErrorText.h"

namespace app {

namespace {

constexpr unsigned kTimerInterval = 250;
// What the layout stores for MidiInput1: the port's creation value, kept since it is not the
// property's default (10000). No buffer lent to the device has this size because of it: this port
// is never opened, and discovery replaces it at its first tick with one sized for the conversation.
constexpr WORD kLayoutSysexBufferSize = 4096;

// A loss leaves the device waiting for an answer that never comes, and a device gone leaves the
// tool with dead ports; the device starts the transfer afresh when it is switched on. Only a tool
// started anew finds it then: discovery ends once the ports are open, and a device switched off
// and on does not come back under the old ports (on Windows not even under the same number).
constexpr const char* kRestartAdvice =
    " If the log has stopped, restart the update: close the tool, switch the QLT-1 off, start the tool, then switch "
    "the QLT-1 on.";
constexpr const char* kInputLost = "Messages from the QLT-1 were lost: they came in faster than they could be read.";
constexpr const char* kReplyBufferNotLent = " A buffer for the QLT-1's replies could not be lent to the system again.";
// Discovery tries the open again at every tick, so the tool connects once the other program lets
// the port go.
constexpr const char* kHeldPortAdvice =
    " Close the other programs that use MIDI: the tool connects to the QLT-1 as soon as its port is free.";

}  // namespace

Programmer::Programmer(framework::TComponent& owner, LogLine log)
    : Programmer(owner, std::move(log), OwnEvents(owner)) {}

Programmer::Programmer(framework::TComponent& owner, LogLine log, ProgrammerEvents events)
    : owner_(owner),
      log_(std::move(log)),
      events_(std::move(events)),
      ports_(BuildPorts()),
      probeTimer_(BuildProbeTimer()),
      discoveryTimer_(BuildDiscoveryTimer()),
      session_({log_, *probeTimer_, ports_}),
      discovery_(
          {log_, owner_, ports_, events_.inputWaiting, events_.inputOverflowed, *discoveryTimer_, *probeTimer_}) {}

// Runs before any member is made: only `this` is captured, and the events run once construction
// is over.
ProgrammerEvents Programmer::OwnEvents(framework::TComponent& owner) {
  return {
      framework::TNotifyEvent(&owner, [this](framework::TObject*) { DiscoveryTick(); }),
      framework::TNotifyEvent(&owner, [this](framework::TObject*) { ProbeTick(); }),
      framework::TNotifyEvent(
          &owner, [this](framework::TObject* sender) { InputWaiting(static_cast<midi::TMidiInput&>(*sender)); }),
      framework::TNotifyEvent(
          &owner,
          [this](framework::TObject* sender) { InputOverflowed(static_cast<const midi::TMidiInput&>(*sender)); }),
  };
}

Programmer::~Programmer() {
  delete discoveryTimer_;
  delete probeTimer_;
  delete ports_.input;
  delete ports_.output;
}

PortSlots Programmer::BuildPorts() {
  auto* output = new midi::TMidiOutput(&owner_);
  output->SetName("MidiOutput1");
  auto* input = new midi::TMidiInput(&owner_);
  input->SetName("MidiInput1");
  input->BeginLoading();
  // The name of a port on the machine the layout was made on; the port drops it while loading.
  input->SetProductName("01. Internal MIDI");
  input->SetSysexBufferSize(kLayoutSysexBufferSize);
  input->SetFilteredMessages({midi::msgActiveSensing, midi::msgMidiTimeCode});
  input->OnMidiInput = events_.inputWaiting;
  input->OnOverflow = events_.inputOverflowed;
  input->Loaded();
  return {input, output};
}

framework::TTimer* Programmer::BuildProbeTimer() {
  auto* timer = new framework::TTimer(&owner_);
  timer->SetName("ProgramTimer");
  timer->SetEnabled(false);
  timer->SetInterval(kTimerInterval);
  timer->SetOnTimer(events_.probeTick);
  return timer;
}

framework::TTimer* Programmer::BuildDiscoveryTimer() {
  auto* timer = new framework::TTimer(&owner_);
  timer->SetName("Timer1");
  timer->SetInterval(kTimerInterval);
  timer->SetOnTimer(events_.discoveryTick);
  return timer;
}

void Programmer::Start() {
  session_.FillExpectedReplies();
  log_(">Switch on QLT-1");
}

// A port another program holds fails its open at every tick (classic Windows lets one program
// open a port); the platform's text alone does not say what to do about it.
void Programmer::DiscoveryTick() {
  try {
    discovery_.Tick();
  } catch (const midi::EMidiInputError& error) {
    if (ports_.input == nullptr || ports_.input->Error() != MMSYSERR_ALLOCATED) throw;
    throw midi::EMidiInputError(framework::ErrorBoxText(error.Message()) + kHeldPortAdvice);
  }
}

// A device switched off or unplugged while the tool probes fails the probe at every tick, and
// discovery, which has ended, never finds it again: the platform's text alone does not say so.
void Programmer::ProbeTick() {
  try {
    session_.SendProbe();
  } catch (const midi::EMidiOutputError& error) {
    const midi::TMidiOutput* output = ports_.output;
    if (output == nullptr || (output->Error() != MMSYSERR_NODRIVER && output->Error() != MIDIERR_NODEVICE)) throw;
    throw midi::EMidiOutputError(framework::ErrorBoxText(error.Message()) + kRestartAdvice);
  }
}

// Only lending the replies' buffers back to the device raises EMidiInputError here (mostly once the
// answers have gone out), and the platform's text alone would not tell the user what failed.
void Programmer::InputWaiting(midi::TMidiInput& port) {
  try {
    session_.HandleInput(port);
    port.LendTakenAgain();
  } catch (const midi::EMidiInputError& error) {
    throw midi::EMidiInputError(framework::ErrorBoxText(error.Message()) + kReplyBufferNotLent + kRestartAdvice);
  }
}

// Once per opening: a flood that overflows the ring drops many events, and one box says it all.
void Programmer::InputOverflowed(const midi::TMidiInput& port) {
  if (port.OverflowCount() != 1) return;
  throw midi::EMidiInputError(std::string(kInputLost) + kRestartAdvice);
}

}  // namespace app
