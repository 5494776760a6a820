#pragma once

// One open MIDI input device of the emulation: the lent System Exclusive buffers, the started
// state, and delivery of what the transport receives to the client's callback. With the switches
// of WindowsBehaviour it may hand back what a reset took later, return System Exclusive in pieces
// and take a lent header's count as it finds it, and the handle of a device switched off answers
// MMSYSERR_NODRIVER.

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "midi/platform/LentBufferQueue.h"
#include "midi/platform/Transport.h"

namespace platform {

class InputDevice final : public InputSink {
 public:
  InputDevice(MIDICALLBACK callback, DWORD_PTR instance);
  ~InputDevice();

  HMIDIIN Handle() { return reinterpret_cast<HMIDIIN>(this); }

  // Window thread.
  MMRESULT Connect(Transport& transport, UINT index);
  MMRESULT Close();
  MMRESULT AddBuffer(MIDIHDR* header, UINT headerSize);
  MMRESULT Start();
  MMRESULT Stop();
  MMRESULT Reset();
  void Notify(UINT message, DWORD_PTR param1, DWORD_PTR param2) noexcept;
  // The device was switched off: every call but closing answers MMSYSERR_NODRIVER.
  bool SwitchedOff() const;

  // Driver thread (InputSink): never allocates, blocks or locks.
  void ReceiveShort(DWORD message) noexcept override;
  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override;
  // Tells the client with kMimInputLost.
  void ReportLoss() noexcept override;

 private:
  // Lets a delivery run only while the device is started; the window thread closes the gate and
  // waits for a delivery in progress, after which it alone may use the buffers.
  bool EnterDelivery() noexcept;
  void LeaveDelivery() noexcept;
  void CloseGate() noexcept;

  DWORD MillisecondsSinceStart() const noexcept;
  void ReturnBuffer(MIDIHDR& header, UINT message) noexcept;
  void ReturnFillingBuffer(bool messageEnds) noexcept;
  // Every lent buffer back to the client, the one being filled first. With the gate closed.
  void ReturnEveryBuffer() noexcept;
  // Waits for a late hand-back under way, after which the window thread may use the buffers.
  void AwaitHandBack();

  const MIDICALLBACK callback_;
  const DWORD_PTR instance_;
  WindowsBehaviour behaviour_;  // as it was at the open
  std::atomic<bool> started_{false};
  std::atomic<int> deliveriesInProgress_{0};
  std::atomic<std::chrono::steady_clock::rep> startTicks_{0};
  std::atomic<int> queuedBuffers_{0};
  LentBufferQueue lent_;
  // The lent buffer a System Exclusive message is being written into. The driver thread reads and
  // writes it inside a delivery (ReceiveSysex); the window thread does too (Stop and Reset hand it
  // back), but only after CloseGate has waited out the delivery under way, and a delivery that
  // begins later finds the gate closed until Start opens it again. The gate's sequentially
  // consistent atomics order each hand-over between the threads, so the pointer needs none.
  MIDIHDR* filling_ = nullptr;
  DWORD fillingPiece_ = 0;  // bytes written into filling_ since it was taken; as filling_
  std::unique_ptr<InputConnection> connection_;
  // A reset's late hand-back: the buffers' only user while it runs, the gate being closed.
  std::jthread handBack_;
};

}  // namespace platform
