#pragma once

// Where real Windows systems behave otherwise than the documentation's reading that the emulation
// follows by default: one switch per behaviour, each off by default. Tests set them on the
// simulated transport (SimulatedTransport::Switches) before they open the ports concerned; an
// emulated device takes what concerns it when it is opened. Two more behaviours are events of the
// simulated world, documented there: a port another program holds
// (SimulatedTransport::HoldByAnotherProgram) and a device switched off and on
// (SimulatedTransport::SwitchOffAndOn). Window thread.

#include <chrono>
#include <cstddef>
#include <optional>

#include "midi/platform/MmSystem.h"

namespace platform {

struct WindowsBehaviour {
  // Product names as Windows' capability records hold them: 31 characters and the terminating NUL
  // (MAXPNAMELEN is 32 there), a longer name losing its end. The names Windows gives a port are
  // in tests/support/WindowsPortNames.h. Sources: the MIDIINCAPS and MIDIOUTCAPS pages of
  // learn.microsoft.com (szPname[MAXPNAMELEN]); "How Windows MIDI Services generates MIDI 1.0 port
  // names", microsoft.github.io/MIDI/kb/how-midi1-port-names-are-generated/.
  bool namesCutTo31Characters = false;

  // midiInReset and midiOutReset return before every header has come back: the driver hands them
  // back this long afterwards from a thread of its own, and until then midi*UnprepareHeader
  // answers MIDIERR_STILLPLAYING and midi*Close refuses. The documentation of both resets says
  // the buffers are returned, not that this is done when the call returns; seen on Windows with
  // the queued flag still set after the call (github.com/fabiangreffrath/woof/pull/856), and
  // what it costs a client that frees them anyway: github.com/Boddlnagg/midir/issues/202.
  std::optional<std::chrono::milliseconds> resetHandsBackAfter;

  // Input System Exclusive handed back in pieces of at most this many bytes, each before the
  // message's end: the MIM_LONGDATA page of learn.microsoft.com says a returned buffer need not
  // be full, and a Windows 11 build of Windows MIDI Services returned every 6 bytes
  // (github.com/microsoft/MIDI/issues/556). 0: a buffer goes back full or at the message's end.
  DWORD sysexPieceBytes = 0;

  // How long a send on the handle of a device switched off blocks before it answers
  // MMSYSERR_NODRIVER: about 5 s in builds of Windows MIDI Services before its February 2026
  // release (github.com/microsoft/MIDI/issues/831), at once elsewhere.
  std::chrono::milliseconds switchedOffSendBlocks{0};

  // midiInAddBuffer takes a header's byte count and done flag as the client left them, and the
  // driver adds what it records to that count: the midiInAddBuffer page of learn.microsoft.com
  // promises no fresh start for either.
  bool addBufferKeepsHeader = false;
};

// The switches of the installed transport: those a test set on the simulated one, none for the
// real MIDI systems or without a transport.
WindowsBehaviour CurrentWindowsBehaviour();

}  // namespace platform
