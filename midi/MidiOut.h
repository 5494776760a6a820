#pragma once

// One MIDI output device of the platform as a component: selected by number or product name,
// opened and closed, sending short messages and whole System Exclusive messages without waiting.
// Each long message travels in a header of its own, released when the platform reports it done
// (then OnMidiOutput fires, and a message whose transfer failed on its way raises the send's
// error). Window thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "framework/Exception.h"
#include "framework/NotifyEvent.h"
#include "midi/MidiIO.h"
#include "midi/MidiType.h"

namespace midi {

class EMidiOutputError : public framework::Exception {
 public:
  using Exception::Exception;
};

// The call a failure came from; the short, long and header contexts have texts of their own.
enum class TMidiOutputContext { General, ShortMessage, LongMessage, HeaderPreparation };

class TMidiOutput : public TMidiIO {
 public:
  // Long messages a port keeps until it has heard that each is done. At the bound, those the
  // platform has finished with go before their completions come (ReleaseFinishedAhead); with
  // all of them still queued, one more is refused as busy, as a driver refuses one beyond what it
  // holds. The conversation has one message in flight and the one before it awaiting its
  // completion.
  static constexpr std::size_t kMaxMessagesInFlight = 8;

  explicit TMidiOutput(framework::TComponent* owner);
  ~TMidiOutput() override;

  DWORD RefreshDeviceCount() override;
  // True when opened; false, raising nothing, when the platform refused. True, changing nothing,
  // on a port that is already open.
  virtual bool Open();
  // True when an open device was closed. Long messages still in flight are taken back and
  // released by the port; OnMidiOutput fires once for each of them after Close has returned.
  virtual bool Close();
  virtual bool ChangeDevice(DWORD deviceId, bool openAfter);
  virtual void SendEvent(const TMyMidiEvent& event);
  virtual void SendShortMsg(BYTE status, BYTE data1, BYTE data2);
  // Copies the bytes and returns before they are out.
  virtual void SendLongMsg(const BYTE* bytes, WORD length);

  std::string ErrorText(DWORD code, TMidiOutputContext context) const;

  // Published properties, in their stored order ProductName, DeviceID (both from TMidiIO),
  // OnMidiOutput, OnDeviceChanged; a stored form leaves out DeviceID 0 and holds ProductName and
  // the assigned events.
  framework::TNotifyEvent OnMidiOutput;

  // When set, Close resets the device before closing it.
  bool ResetOnClose() const { return resetOnClose_; }
  void SetResetOnClose(bool value) { resetOnClose_ = value; }

  DWORD Error() const { return LatestResult(); }
  WORD DeviceCount() const { return deviceCount_; }
  BYTE Technology() const { return technology_; }
  WORD Voices() const { return voices_; }
  WORD Notes() const { return notes_; }
  WORD ChannelMask() const { return channelMask_; }
  DWORD Support() const { return support_; }
  // Long messages handed to the platform whose completion the port has not handled yet.
  std::size_t MessagesInFlight() const { return inFlight_.size(); }
  // Of those, the ones the platform still holds (queued, MHDR_INQUEUE): what it has finished with
  // counts no more, even while its completion waits in the port's window.
  std::size_t MessagesQueued() const;
  // Long messages the platform refused because the device was busy (MIDIERR_NOTREADY) since the
  // port was opened.
  DWORD BusyRefusalCount() const { return busyRefusals_; }

 private:
  // Keeps the result in Error and raises with its text when it is a failure.
  void Check(MMRESULT result, TMidiOutputContext context);
  MIDIOUTCAPSA ReadCapabilities(DWORD device);
  // Unprepares and releases every header in flight that the device has handed back, waiting a
  // while for those a reset hands back late; one the device still holds is kept, never freed under
  // it. Gives how many were released.
  std::size_t ReleaseInFlight() noexcept;
  bool AtBound() const { return inFlight_.size() >= kMaxMessagesInFlight; }
  void ReleaseFinishedAhead();
  void ComplainOfReleasedAhead(MMRESULT transfer);
  void ReportLater(std::size_t released);
  void ReportReleased();
  void AbandonDevice() noexcept;
  void ReleaseDone(const MIDIHDR* header, MMRESULT transfer);

  // TMidiIO.
  void MessageHandler(framework::TMessage& message) override;
  UINT PlatformDeviceCount() const override;
  MMRESULT GetPlatformErrorText(MMRESULT code, LPSTR text, UINT size) const override;
  std::string ProductNameOf(DWORD device) override;
  void SelectCapabilities(DWORD device) override;
  bool SearchesTheDefaultDeviceFirst() const override { return true; }
  std::string NotInstalledText(const std::string& name) const override;
  [[noreturn]] void Raise(const std::string& message) const override;

  HMIDIOUT deviceHandle_ = nullptr;
  bool resetOnClose_ = false;
  BYTE technology_ = 0;
  WORD voices_ = 0;
  WORD notes_ = 0;
  WORD channelMask_ = 0;
  DWORD support_ = 0;
  WORD deviceCount_ = 0;
  std::unordered_map<const MIDIHDR*, std::unique_ptr<TMyMidiHdr>> inFlight_;
  std::size_t releasedUnreported_ = 0;     // released without a completion, OnMidiOutput still to fire
  std::size_t completionsOfReleased_ = 0;  // completions still to come for messages released ahead
  DWORD busyRefusals_ = 0;
};

}  // namespace midi
