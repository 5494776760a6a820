#pragma once

// One MIDI output device of the platform as a component: selected by number or product name,
// opened and closed, sending short messages and whole System Exclusive messages without waiting.
// Each long message travels in a header of its own, released when the platform reports it done
// (then OnMidiOutput fires). Window thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "framework/Exception.h"
#include "framework/MessageWindow.h"
#include "framework/NotifyEvent.h"
#include "midi/MidiCallback.h"
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

  // Published properties, in their stored order; a stored form leaves out DeviceID 0 and holds
  // ProductName and the assigned events.
  const std::string& ProductName() const { return productName_; }
  void SetProductName(const std::string& name);
  DWORD DeviceID() const { return deviceId_; }
  void SetDeviceID(DWORD value);
  framework::TNotifyEvent OnMidiOutput;
  framework::TNotifyEvent OnDeviceChanged;

  // When set, Close resets the device before closing it.
  bool ResetOnClose() const { return resetOnClose_; }
  void SetResetOnClose(bool value) { resetOnClose_ = value; }

  TMidiPortState State() const { return state_; }
  DWORD Error() const { return error_; }
  WORD DeviceCount() const { return deviceCount_; }
  WORD ManufacturerID() const { return manufacturerId_; }
  WORD ProductID() const { return productId_; }
  DWORD DriverVersion() const { return driverVersion_; }
  BYTE Technology() const { return technology_; }
  WORD Voices() const { return voices_; }
  WORD Notes() const { return notes_; }
  WORD ChannelMask() const { return channelMask_; }
  DWORD Support() const { return support_; }
  framework::HWND WindowHandle() const { return window_; }
  const CallbackInstance* Instance() const { return instance_; }
  // Long messages handed to the platform whose completion the port has not handled yet.
  std::size_t MessagesInFlight() const { return inFlight_.size(); }

 private:
  // Keeps the result in Error and raises with its text when it is a failure.
  void Check(MMRESULT result, TMidiOutputContext context);
  // Unprepares and releases every header still in flight.
  void ReleaseInFlight() noexcept;
  void ReportLater(std::size_t released);
  void ReportReleasedAtClose();
  void AbandonDevice() noexcept;
  void ReleaseDone(const MIDIHDR* header);
  void MessageHandler(framework::TMessage& message);

  framework::HWND window_ = nullptr;
  DWORD deviceId_ = 0;
  HMIDIOUT deviceHandle_ = nullptr;
  TMidiPortState state_ = mpsClosed;
  CallbackInstance* instance_ = nullptr;
  DWORD error_ = 0;
  bool resetOnClose_ = false;
  WORD manufacturerId_ = 0;
  WORD productId_ = 0;
  DWORD driverVersion_ = 0;
  std::string productName_;
  BYTE technology_ = 0;
  WORD voices_ = 0;
  WORD notes_ = 0;
  WORD channelMask_ = 0;
  DWORD support_ = 0;
  WORD deviceCount_ = 0;
  std::unordered_map<const MIDIHDR*, std::unique_ptr<TMyMidiHdr>> inFlight_;
  std::size_t releasedAtClose_ = 0;  // released by Close, OnMidiOutput still to fire
};

}  // namespace midi
