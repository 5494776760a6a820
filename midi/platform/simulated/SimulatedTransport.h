#pragma once

// The simulated transport: virtual MIDI devices that tests create, rename, remove and talk to,
// with fault injection for every platform call. Deterministic and without any MIDI server; every
// port-layer and application test runs on it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "midi/platform/FaultInjector.h"
#include "midi/platform/Transport.h"

namespace platform {

class SimulatedInputPort;
class SimulatedOutputPort;

// One message that the tool sent to a virtual output device.
struct SentMessage {
  bool isLong = false;
  DWORD shortMessage = 0;   // packed status/data1/data2, for short messages
  std::vector<BYTE> bytes;  // the whole long message
};

class SimulatedTransport : public Transport {
 public:
  // Identifies a virtual device for its whole life; its port number is its position among the
  // devices of its direction that are present, in order of creation.
  using DeviceId = unsigned;

  SimulatedTransport();
  // Close every connection first. One still open finds all its devices gone: sends fail with
  // MIDIERR_NODEVICE, inputs receive nothing.
  ~SimulatedTransport() override;

  // Devices. Test thread (any one thread at a time).
  DeviceId AddInput(PortInfo info);
  DeviceId AddOutput(PortInfo info);
  DeviceId AddInput(std::string name) { return AddInput(PortInfo{std::move(name)}); }
  DeviceId AddOutput(std::string name) { return AddOutput(PortInfo{std::move(name)}); }
  void Rename(DeviceId device, std::string name);
  // The device disappears: its number goes to the next one; an open output connection to it
  // fails every send with MIDIERR_NODEVICE, an open input connection receives nothing more.
  void Remove(DeviceId device);
  bool IsOpen(DeviceId device) const;

  // The device is switched off and on again, as Windows sees a USB device that re-enumerates: it
  // goes as Remove says, the handles of its open ports die (every emulated call on them but
  // closing answers MMSYSERR_NODRIVER, a send after blocking for the time the switches give, and
  // an input's lent buffers never come back), and it comes back as a new device with the same
  // name at the end of its direction's numbers. Gives the new device. Windows sends winmm
  // programs no notice of either. Sources: github.com/microsoft/MIDI/issues/970 (MMSYSERR_NODRIVER
  // from a send to a device unplugged), /issues/1157 (an input's buffers stranded after removal,
  // resets refused; mended in a later release by /pull/1160), /issues/981 (numbers shift as
  // devices come and go).
  DeviceId SwitchOffAndOn(DeviceId device);
  // While held, another program has the port, and opening it answers MMSYSERR_ALLOCATED: classic
  // Windows lets one program at a time open a port (the midiInOpen and midiOutOpen pages of
  // learn.microsoft.com list MMSYSERR_ALLOCATED), where Windows MIDI Services shares ports between
  // programs (microsoft.github.io/MIDI/kb/moving-from-winmm-to-wms/), as tests that hold nothing
  // have it.
  void HoldByAnotherProgram(DeviceId device, bool held);
  // The behaviours of real Windows systems the emulation is to show (WindowsBehaviour.h); none
  // until a test sets them.
  WindowsBehaviour& Switches() { return behaviour_; }

  // Input: what the device sends to the tool. Queued here and delivered to the open port from
  // the connection's own driver thread, in order; lost when the port is not open.
  void InjectShort(DeviceId input, DWORD message);
  // One whole System Exclusive message as the driver gets it (its bytes are not checked).
  void InjectSysex(DeviceId input, std::span<const BYTE> bytes);
  // A loss the device's driver reports after what was injected before, as a system does when it
  // dropped input.
  void InjectLoss(DeviceId input);
  // Waits until everything injected so far has been delivered (or lost); false on time-out.
  bool WaitUntilDelivered(DeviceId input, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // The driver thread of the device's open connection (for tests that watch that thread).
  std::thread::id DriverThread(DeviceId input) const;

  // Output: what the tool sent, in order.
  std::vector<SentMessage> Sent(DeviceId output) const;
  void ClearSent(DeviceId output);
  // Called for each message as it is sent, on the sending thread; a device model answers from
  // here (for instance with InjectSysex on its input device).
  void SetOnSent(DeviceId output, std::function<void(const SentMessage&)> onSent);
  // While held, long sends to the device wait (until released or cancelled): messages stay in
  // flight.
  void HoldOutput(DeviceId output, bool hold);
  // Long sends to the device waiting now because it is held.
  unsigned SendsHeld(DeviceId output) const;

  FaultInjector& FaultPlan() { return faults_; }

  // Transport.
  UINT InputCount() override;
  UINT OutputCount() override;
  bool InputInfo(UINT index, PortInfo& info) override;
  bool OutputInfo(UINT index, PortInfo& info) override;
  std::unique_ptr<InputConnection> OpenInput(UINT index, InputSink& sink, MMRESULT& result) override;
  std::unique_ptr<OutputConnection> OpenOutput(UINT index, MMRESULT& result) override;
  FaultInjector* Faults() override { return &faults_; }
  WindowsBehaviour Behaviour() const override { return behaviour_; }

 private:
  // The devices, shared with the open connections (which see them through State).
  struct State;
  friend class SimulatedInputPort;
  friend class SimulatedOutputPort;
  std::shared_ptr<State> state_;
  FaultInjector faults_;
  WindowsBehaviour behaviour_;
};

}  // namespace platform
