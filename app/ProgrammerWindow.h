#pragma once

// What the programming session and device discovery use of the main window: the log, the two
// timers and the two port slots. The window owns all of them; the session and discovery act on
// them through this view, so that each can be tested apart from the window. Window thread only.

#include <string>

#include "framework/Component.h"
#include "framework/NotifyEvent.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

namespace app {

class ProgrammerWindow {
 public:
  // Appends one line to the log (Memo1), given without a line end.
  virtual void AppendLog(const std::string& line) = 0;

  virtual framework::TTimer& ProgramTimer() = 0;
  virtual framework::TTimer& Timer1() = 0;

  // The component that owns the port objects (the window itself).
  virtual framework::TComponent* PortOwner() = 0;
  // The port slots: the objects in use, or none. Setting a slot does not release what it held.
  virtual midi::TMidiInput* MidiInput1() = 0;
  virtual void SetMidiInput1(midi::TMidiInput* port) = 0;
  virtual midi::TMidiOutput* MidiOutput1() = 0;
  virtual void SetMidiOutput1(midi::TMidiOutput* port) = 0;

  // MidiInput1MidiInput bound to the window, for the input port's OnMidiInput.
  virtual framework::TNotifyEvent MidiInputHandler() = 0;
  // What the input port's OnOverflow calls: the user hears of lost input.
  virtual framework::TNotifyEvent MidiOverflowHandler() = 0;

 protected:
  ~ProgrammerWindow() = default;
};

}  // namespace app
