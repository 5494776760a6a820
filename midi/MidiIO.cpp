#include "midi/MidiIO.h"

namespace midi {

namespace {
constexpr UINT kErrorTextSize = 128;
}  // namespace

// The window reaches the direction's handler only from the event loop, so never while the port is
// still being made.
TMidiIO::TMidiIO(framework::TComponent* owner) : TComponent(owner) {
  if (IsDesigning()) return;
  window_ = framework::AllocateHWnd([this](framework::TMessage& message) { MessageHandler(message); });
}

TMidiIO::~TMidiIO() {
  if (abandoned_) return;
  FreeCallbackInstance(instance_);
  framework::DeallocateHWnd(window_);
}

bool TMidiIO::Failed(MMRESULT result) {
  error_ = result;
  return result != MMSYSERR_NOERROR;
}

std::string TMidiIO::PlatformErrorText(MMRESULT code) const {
  char text[kErrorTextSize] = {};
  if (GetPlatformErrorText(code, text, kErrorTextSize) != MMSYSERR_NOERROR) {
    return "Specified error number is out of range";
  }
  return text;
}

void TMidiIO::SetDeviceID(DWORD value) {
  if (state_ == mpsOpen) Raise("Change to DeviceID while device was open");
  // The platform's default device (its mapper) passes the range check.
  if (value >= PlatformDeviceCount() && value != MIDI_MAPPER) Raise("Invalid device ID");
  deviceId_ = value;
  SelectCapabilities(value);
  if (OnDeviceChanged) OnDeviceChanged(this);
}

// Among equal names the first wins. A name no device has any more ends as an invalid number.
void TMidiIO::SetProductName(const std::string& name) {
  if (state_ == mpsOpen) Raise("Change to ProductName while device was open");
  if (IsLoading()) return;
  const UINT count = PlatformDeviceCount();
  DWORD found = count;
  for (std::uint64_t step = SearchesTheDefaultDeviceFirst() ? 0 : 1; step <= count; ++step) {
    const DWORD device = step == 0 ? MIDI_MAPPER : static_cast<DWORD>(step - 1);
    if (name == ProductNameOf(device)) {
      productName_ = name;
      found = device;
      break;
    }
  }
  if (productName_ != name) Raise(NotInstalledText(name));
  SetDeviceID(found);
}

CallbackInstance* TMidiIO::ObtainInstance() {
  if (instance_ == nullptr) instance_ = CreateCallbackInstance();
  if (instance_ != nullptr) instance_->Window = window_;
  return instance_;
}

void TMidiIO::ReleaseInstance() noexcept {
  FreeCallbackInstance(instance_);
  instance_ = nullptr;
}

void TMidiIO::AbandonWindow() noexcept {
  framework::AbandonHWnd(window_);
  abandoned_ = true;
}

}  // namespace midi
