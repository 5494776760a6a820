#pragma once

// The programmer without its window: the two port slots and the two timers of the window's
// layout, the programming session and device discovery, and how they are bound to each other.
// Each part gets a small context of what it uses (ProgrammerParts.h) and never sees the whole.
// The window owns one and forwards its handlers to it; the tests and the discovery fuzz target
// drive the same wiring without a widget. Window thread only.

#include <string>

#include "app/DeviceDiscovery.h"
#include "app/ProgrammerParts.h"
#include "app/ProgrammingSession.h"
#include "framework/Component.h"
#include "framework/NotifyEvent.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

namespace app {

// What the timers and every input port call. The window gives its own handlers (the names its
// layout binds), each a one-line forward to the programmer.
struct ProgrammerEvents {
  framework::TNotifyEvent discoveryTick;
  framework::TNotifyEvent probeTick;
  framework::TNotifyEvent inputWaiting;
  framework::TNotifyEvent inputOverflowed;
};

class Programmer {
 public:
  // Makes the layout's components, owned by `owner` in the layout's order: the output port
  // MidiOutput1, the input port MidiInput1, the probe timer ProgramTimer (off) and the discovery
  // timer Timer1 (on). The events are the programmer's own methods, bound to `owner`.
  Programmer(framework::TComponent& owner, LogLine log);
  Programmer(framework::TComponent& owner, LogLine log, ProgrammerEvents events);
  // Releases the ports in the slots and the timers.
  ~Programmer();
  Programmer(const Programmer&) = delete;
  Programmer& operator=(const Programmer&) = delete;

  // What the window's creation starts: the session's expected replies and the first log line.
  void Start();

  // The discovery timer's tick: a scan for the device's ports, and the connection once both are
  // there. An input port another program holds is reported with what the user can do about it.
  void DiscoveryTick();
  // The probe timer's tick: one probe to the device. A probe that finds the device gone is
  // reported with how to restart the update.
  void ProbeTick();
  // The input port has events waiting. A reply whose buffer could not be lent back is reported
  // with what the user can do about it.
  void InputWaiting(midi::TMidiInput& port);
  // The input port dropped an event because its ring was full: the user hears of it once per
  // opening.
  void InputOverflowed(const midi::TMidiInput& port);

  framework::TTimer& ProbeTimer() { return *probeTimer_; }
  framework::TTimer& DiscoveryTimer() { return *discoveryTimer_; }
  const ProgrammingSession& Session() const { return session_; }
  // The port slots: the objects in use, or none.
  midi::TMidiInput* InputPort() { return ports_.input; }
  midi::TMidiOutput* OutputPort() { return ports_.output; }

 private:
  ProgrammerEvents OwnEvents(framework::TComponent& owner);
  PortSlots BuildPorts();
  framework::TTimer* BuildProbeTimer();
  framework::TTimer* BuildDiscoveryTimer();

  // Made in this order: the layout's ports, then its timers, then the parts that use them.
  framework::TComponent& owner_;
  LogLine log_;
  ProgrammerEvents events_;
  PortSlots ports_;
  framework::TTimer* probeTimer_;
  framework::TTimer* discoveryTimer_;
  ProgrammingSession session_;
  DeviceDiscovery discovery_;
};

}  // namespace app
