#pragma once

// One MIDI input device of the platform as a component: selected by number or product name,
// opened with a ring of received events and a pool of System Exclusive buffers lent to the
// device, started, and closed. Received events are announced through OnMidiInput in the window
// thread and taken one at a time with TakeEvent. Window thread only; the driver side is
// MidiDriverCallback.
//
// A buffer taken while OnMidiInput runs goes back to the device once the handler has returned,
// after whatever answers it sent: lending a buffer can cost more than the answer itself (wine's
// driver walks every buffer already lent, 4096 here, which on an emulated processor takes half a
// millisecond), and a device that answers while a message is being sent puts the next reply in
// the ring before the handler is done. The device keeps at least half its pool: beyond that, a
// take lends its buffer at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Exception.h"
#include "framework/NotifyEvent.h"
#include "midi/CircularEventBuffer.h"
#include "midi/MidiFilter.h"
#include "midi/MidiIO.h"
#include "midi/MidiType.h"

namespace midi {

class EMidiInputError : public framework::Exception {
 public:
  using Exception::Exception;
};

class TMidiInput : public TMidiIO {
 public:
  explicit TMidiInput(framework::TComponent* owner);
  ~TMidiInput() override;

  DWORD RefreshDeviceCount() override;
  DWORD DeviceCount() const { return deviceCount_; }

  // Raises EMidiInputError on failure, leaving the port closed with nothing allocated. Changes
  // nothing on an open port.
  void Open();
  // Starts input on an open port; does nothing on a closed one.
  void Start();
  // Does nothing on a closed port.
  void Close();
  WORD PendingEventCount() const;
  // The oldest waiting event, or none when the port is closed or nothing waits. Its buffer goes
  // back to the device at once, or, during OnMidiInput, at LendTakenAgain.
  std::unique_ptr<TMyMidiEvent> TakeEvent();
  // Lends again the buffers of the events taken during OnMidiInput, and raises the first refusal;
  // the port calls it itself once the handler has returned. A buffer the device refuses stays,
  // with those behind it, for the next call.
  void LendTakenAgain();
  std::string ErrorText(WORD code) const;

  // Published properties, with ProductName, DeviceID and OnDeviceChanged from TMidiIO. A stored
  // form leaves out DeviceID 0, Capacity 1024, SysexBufferSize 10000 (so the creation value 4096
  // is stored), SysexBufferCount 16 and SysexOnly false; it always holds ProductName,
  // FilteredMessages and the assigned events. Error is read-only.
  WORD Capacity() const { return capacity_; }
  void SetCapacity(WORD value) { capacity_ = value; }
  WORD Error() const { return static_cast<WORD>(LatestResult()); }
  WORD SysexBufferSize() const { return sysexBufferSize_; }
  void SetSysexBufferSize(WORD value);
  WORD SysexBufferCount() const { return sysexBufferCount_; }
  void SetSysexBufferCount(WORD value);
  bool SysexOnly() const { return sysexOnly_; }
  void SetSysexOnly(bool value);
  TMidiMsgFilter FilteredMessages() const { return filteredMessages_; }
  void SetFilteredMessages(TMidiMsgFilter value);
  framework::TNotifyEvent OnMidiInput;
  framework::TNotifyEvent OnOverflow;

  // Events dropped because the ring was full, and losses the platform reported, since the port
  // was opened, counted as their notices are handled (just before each OnOverflow).
  DWORD OverflowCount() const { return overflowCount_; }

 private:
  using HeaderList = std::vector<std::unique_ptr<TMyMidiHdr>>;
  friend struct PortTestAccess;

  // Keeps the result in Error and raises with its text when it is a failure.
  void Check(MMRESULT result);
  MIDIINCAPSA ReadCapabilities(DWORD device);
  void CreateEventBuffer();
  void FillInstance();
  void ReportLosses();
  void CreateSysexBuffers();
  void AddSysexBuffers();
  void FreeSysexBuffers();
  MMRESULT Unprepare(TMyMidiHdr& buffer) noexcept;
  MMRESULT LendAgain(MIDIHDR& header) noexcept;
  void AnnounceInput();
  void ReleaseAfterFailedOpen() noexcept;
  void ReleaseDevice() noexcept;
  void AbandonDevice() noexcept;
  // The steps of Close after the port is marked closed.
  void CloseDevice();
  MMRESULT ResetDevice() noexcept;
  bool OwnsHeader(const MIDIHDR* header) const;
  void ReportOverflow(MIDIHDR* dropped);

  // TMidiIO.
  void MessageHandler(framework::TMessage& message) override;
  UINT PlatformDeviceCount() const override;
  MMRESULT GetPlatformErrorText(MMRESULT code, LPSTR text, UINT size) const override;
  std::string ProductNameOf(DWORD device) override;
  void SelectCapabilities(DWORD device) override;
  bool SearchesTheDefaultDeviceFirst() const override { return false; }
  std::string NotInstalledText(const std::string& name) const override;
  [[noreturn]] void Raise(const std::string& message) const override;

  HMIDIIN deviceHandle_ = nullptr;
  bool sysexOnly_ = false;
  TMidiMsgFilter filteredMessages_;
  WORD capacity_ = 0;
  CircularEventBuffer* eventBuffer_ = nullptr;
  DWORD deviceCount_ = 0;
  WORD sysexBufferSize_ = 0;
  WORD sysexBufferCount_ = 0;
  std::optional<HeaderList> sysexHeaders_;
  bool announcing_ = false;            // OnMidiInput is running
  std::vector<MIDIHDR*> takenToLend_;  // taken during OnMidiInput, not yet lent again; oldest first
  unsigned openingsToForget_ = 0;      // ends of earlier openings still queued in the window
  DWORD overflowCount_ = 0;
};

}  // namespace midi
