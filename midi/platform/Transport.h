#pragma once

// The seam under the platform emulation: a transport carries bytes and port names only. The
// emulation (MidiInApi.cpp and MidiOutApi.cpp, with InputDevice and OutputDevice) keeps every rule
// of the platform API on top of whichever transport is installed: the simulated one in tests, the
// real MIDI systems in the program.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "midi/platform/MmSystem.h"
#include "midi/platform/WindowsBehaviour.h"

namespace platform {

class FaultInjector;

// Where a transport delivers what an open input port receives. Called on the transport's driver
// thread only, one call at a time; implementations must not allocate, block or lock.
class InputSink {
 public:
  virtual void ReceiveShort(DWORD message) noexcept = 0;
  // Part of one System Exclusive message as it came in; `messageEnds` marks its last part.
  virtual void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept = 0;
  // The transport knows that input was lost here (the system dropped events, or events were not
  // believed): what came before and after is delivered as usual.
  virtual void ReportLoss() noexcept = 0;

 protected:
  ~InputSink() = default;
};

// An open input port. Destroying it stops delivery: once the destructor returns, the sink is
// never called again.
class InputConnection {
 public:
  virtual ~InputConnection() = default;
  // Whether the port's device was switched off, which leaves the port's handle dead on Windows
  // (SimulatedTransport::SwitchOffAndOn); a real transport's ports never say so. Window thread.
  virtual bool DeviceSwitchedOff() const { return false; }
};

// An open output port. Called from one thread at a time, never two at once: the window thread
// for short messages and for long ones the transport takes at once, the emulation's sender thread
// for long ones that must wait.
class OutputConnection {
 public:
  virtual ~OutputConnection() = default;
  virtual MMRESULT SendShort(DWORD message) = 0;
  // Sends `bytes` now if the transport can take them without waiting (room in its output queue
  // or pool), and gives what SendLong would have: the bytes are then the transport's, out or on
  // their way out in order, and the caller's memory is free again. Gives nothing, having sent
  // nothing, when they would have to wait; the caller then hands them to SendLong on a thread that
  // may wait. Never blocks.
  virtual std::optional<MMRESULT> TrySendLong(std::span<const BYTE> bytes) = 0;
  // Returns once the bytes are out (or have failed); may block, but returns early when Cancel()
  // is called from another thread.
  virtual MMRESULT SendLong(std::span<const BYTE> bytes) = 0;
  // Makes a SendLong that is under way return; any thread.
  virtual void Cancel() = 0;
  // As InputConnection's. Window thread.
  virtual bool DeviceSwitchedOff() const { return false; }
};

struct PortInfo {
  std::string name;
  WORD manufacturerId = 0;
  WORD productId = 0;
  MMVERSION driverVersion = 0;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Ports are numbered from 0. Where ports come and go by themselves (the real MIDI systems), a
  // count lists them anew, and the names asked for and the ports opened afterwards are those of
  // that listing until the next count of the same direction: a port that came or went in between
  // shifts no number under its caller, so the port opened is the one whose name it read. A port
  // of the listing that has gone by its open fails with MMSYSERR_BADDEVICEID, as a number that no
  // longer names a device does on the platform. Where ports change only when the transport's
  // owner says so (the simulated one), the numbers are those of what is present. Window thread.
  virtual UINT InputCount() = 0;
  virtual UINT OutputCount() = 0;
  // False when the number names no port.
  virtual bool InputInfo(UINT index, PortInfo& info) = 0;
  virtual bool OutputInfo(UINT index, PortInfo& info) = 0;

  // On failure, gives none and sets `result` to the platform code to report (MMSYSERR_BADDEVICEID
  // for a number that names no port).
  virtual std::unique_ptr<InputConnection> OpenInput(UINT index, InputSink& sink, MMRESULT& result) = 0;
  virtual std::unique_ptr<OutputConnection> OpenOutput(UINT index, MMRESULT& result) = 0;

  // The faults that tests arm for this transport; none for a real one.
  virtual FaultInjector* Faults() { return nullptr; }
  // The behaviours of real Windows systems that tests switch on for this transport; none for a
  // real one. Window thread.
  virtual WindowsBehaviour Behaviour() const { return {}; }
};

// Makes `transport` the one every platform call uses and gives back the previous one. Nothing
// may be open when it changes. Window thread.
std::unique_ptr<Transport> InstallTransport(std::unique_ptr<Transport> transport);
Transport* CurrentTransport();

}  // namespace platform
