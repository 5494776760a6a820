#pragma once

// What the input and output ports share: a platform MIDI device of one direction as a component,
// selected by number or by product name, the result of the latest platform call, the hidden
// message window the driver callback posts to, and the callback instance that leads there.
// Window thread only. Words the port layer uses in a sense of its own (lend, notice, opening,
// gate, ring) are explained in README.md, "Words used in the code".

#include <cstdint>
#include <string>

#include "framework/Component.h"
#include "framework/MessageWindow.h"
#include "framework/NotifyEvent.h"
#include "midi/MidiCallback.h"
#include "midi/platform/MmSystem.h"

namespace midi {

enum TMidiPortState : std::uint8_t { mpsOpen = 0, mpsClosed = 1, mpsCreating = 2 };

struct PortTestAccess;

class TMidiIO : public framework::TComponent {
 public:
  // Releases the window and the instance, unless a device that refused to close may still reach
  // them (AbandonWindow).
  ~TMidiIO() override;

  // Asks the platform how many devices of the port's direction exist, keeps and gives the count.
  virtual DWORD RefreshDeviceCount() = 0;

  const std::string& ProductName() const { return productName_; }
  // Selects the first device of exactly that name, the default device first where the direction
  // looks at it. A name that arrives while a stored form is read is dropped: the device of that
  // name on the machine that stored it is not this one's.
  void SetProductName(const std::string& name);
  DWORD DeviceID() const { return deviceId_; }
  // A refused capability read keeps the new number and the capabilities of the old device.
  void SetDeviceID(DWORD value);
  framework::TNotifyEvent OnDeviceChanged;

  // The selected device's capabilities.
  DWORD DriverVersion() const { return driverVersion_; }
  WORD ManufacturerID() const { return manufacturerId_; }
  WORD ProductID() const { return productId_; }

  TMidiPortState State() const { return state_; }

 protected:
  // Makes the window, unless the component is being designed.
  explicit TMidiIO(framework::TComponent* owner);

  // Keeps the result as the port's Error; true when it is a failure.
  bool Failed(MMRESULT result);
  MMRESULT LatestResult() const { return error_; }
  // The platform's text for `code`, or a fixed one for a code the platform does not know.
  std::string PlatformErrorText(MMRESULT code) const;

  // Copies what the capability records of both directions hold.
  template <typename Caps>
  void KeepCapabilities(const Caps& caps) {
    productName_ = caps.szPname;
    driverVersion_ = caps.vDriverVersion;
    manufacturerId_ = caps.wMid;
    productId_ = caps.wPid;
  }

  // Made at the first Open and kept for the next ones; none when memory cannot be had.
  CallbackInstance* ObtainInstance();
  // Only once no open device can call back with the instance.
  void ReleaseInstance() noexcept;
  CallbackInstance* Instance() const { return instance_; }
  framework::HWND Window() const { return window_; }
  // For a device that refuses to close even at destruction: the window and the instance stay for
  // good, and the window no longer calls this port.
  void AbandonWindow() noexcept;

  TMidiPortState state_ = mpsClosed;

 private:
  friend struct PortTestAccess;

  // What each direction does its own way.
  // The window's method: the notices of the port's direction, in posting order.
  virtual void MessageHandler(framework::TMessage& message) = 0;
  virtual UINT PlatformDeviceCount() const = 0;
  virtual MMRESULT GetPlatformErrorText(MMRESULT code, LPSTR text, UINT size) const = 0;
  // Reads the device's capabilities, raising when the platform refuses; ProductNameOf keeps
  // nothing but Error, SelectCapabilities keeps them all.
  virtual std::string ProductNameOf(DWORD device) = 0;
  virtual void SelectCapabilities(DWORD device) = 0;
  // Whether a search by name looks at the default device before device 0.
  virtual bool SearchesTheDefaultDeviceFirst() const = 0;
  virtual std::string NotInstalledText(const std::string& name) const = 0;
  // Raises the direction's error.
  [[noreturn]] virtual void Raise(const std::string& message) const = 0;

  framework::HWND window_ = nullptr;
  CallbackInstance* instance_ = nullptr;
  bool abandoned_ = false;
  DWORD deviceId_ = 0;
  MMRESULT error_ = 0;
  std::string productName_;
  DWORD driverVersion_ = 0;
  WORD manufacturerId_ = 0;
  WORD productId_ = 0;
};

}  // namespace midi
