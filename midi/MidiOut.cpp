#include "midi/MidiOut.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>

#include "framework/ExceptionGuard.h"

namespace midi {

namespace {

constexpr UINT kErrorTextSize = 128;
// The port's own notice that Close released messages which are still to be reported.
constexpr std::uint32_t kReleasedAtClose = framework::WM_USER + 1;

struct ContextText {
  TMidiOutputContext context;
  DWORD code;
  const char* text;
};

constexpr ContextText kContextTexts[] = {
    {TMidiOutputContext::ShortMessage, MMSYSERR_INVALHANDLE, "(Short Msg) The specified device handle is invalid."},
    {TMidiOutputContext::ShortMessage, MIDIERR_NOTREADY, "(Short Msg) The hardware is busy with other data."},
    {TMidiOutputContext::ShortMessage, MIDIERR_BADOPENMODE,
     "(Short Msg) The application sent a message without a status byte to a stream handle."},
    {TMidiOutputContext::LongMessage, MMSYSERR_INVALHANDLE, "(Long Msg) The specified device handle is invalid."},
    {TMidiOutputContext::LongMessage, MMSYSERR_INVALPARAM, "(Long Msg) The specified pointer or structure is invalid."},
    {TMidiOutputContext::LongMessage, MIDIERR_UNPREPARED,
     "(Long Msg) The buffer pointed to by lpMidiOutHdr has not been prepared."},
    {TMidiOutputContext::LongMessage, MIDIERR_NOTREADY, "(Long Msg) The hardware is busy with other data."},
    {TMidiOutputContext::HeaderPreparation, MMSYSERR_INVALHANDLE, "(Prep Header) The specified device handle is invalid."},
    {TMidiOutputContext::HeaderPreparation, MMSYSERR_NOMEM,
     "(Prep Header) The system is unable to allocate or lock memory."},
    {TMidiOutputContext::HeaderPreparation, MMSYSERR_INVALPARAM,
     "(Prep Header) The specified address is invalid or the given stream buffer is greater than 64K."},
};

// The platform writes the flags of a header it holds from its own thread.
DWORD FlagsOf(MIDIHDR& header) { return std::atomic_ref<DWORD>(header.dwFlags).load(std::memory_order_acquire); }

}  // namespace

TMidiOutput::TMidiOutput(framework::TComponent* owner) : TMidiIO(owner) {
  state_ = mpsClosed;
  deviceCount_ = static_cast<WORD>(midiOutGetNumDevs());
  resetOnClose_ = false;
  if (!IsDesigning()) window_ = framework::AllocateHWnd([this](framework::TMessage& message) { MessageHandler(message); });
}

// Raises nothing. The owner may be going away, so no event fires from here; a failing close is
// shown through the exception guard, and a device that still refuses to close keeps what it can
// reach rather than have it freed under it.
TMidiOutput::~TMidiOutput() {
  OnMidiOutput = {};
  OnDeviceChanged = {};
  if (state_ == mpsOpen) {
    framework::RunGuarded([this] { Close(); });
    if (state_ == mpsOpen) AbandonDevice();
    if (state_ == mpsOpen) return;
  }
  FreeCallbackInstance(instance_);
  framework::DeallocateHWnd(window_);
}

DWORD TMidiOutput::RefreshDeviceCount() {
  deviceCount_ = static_cast<WORD>(midiOutGetNumDevs());
  return deviceCount_;
}

std::string TMidiOutput::ErrorText(DWORD code, TMidiOutputContext context) const {
  const auto* fixed = std::find_if(std::begin(kContextTexts), std::end(kContextTexts),
                                   [&](const ContextText& entry) { return entry.context == context && entry.code == code; });
  if (fixed != std::end(kContextTexts)) return fixed->text;
  char text[kErrorTextSize] = {};
  if (midiOutGetErrorTextA(code, text, kErrorTextSize) != MMSYSERR_NOERROR) return "Specified error number is out of range";
  return text;
}

void TMidiOutput::Check(MMRESULT result, TMidiOutputContext context) {
  error_ = result;
  if (result != MMSYSERR_NOERROR) throw EMidiOutputError(ErrorText(result, context));
}

void TMidiOutput::SetDeviceID(DWORD value) {
  if (state_ == mpsOpen) throw EMidiOutputError("Change to DeviceID while device was open");
  if (value >= midiOutGetNumDevs() && value != MIDI_MAPPER) throw EMidiOutputError("Invalid device ID");
  deviceId_ = value;
  MIDIOUTCAPSA caps{};
  Check(midiOutGetDevCapsA(value, &caps, sizeof caps), TMidiOutputContext::General);
  manufacturerId_ = caps.wMid;
  productId_ = caps.wPid;
  productName_ = caps.szPname;
  driverVersion_ = caps.vDriverVersion;
  technology_ = static_cast<BYTE>(caps.wTechnology);
  voices_ = caps.wVoices;
  notes_ = caps.wNotes;
  channelMask_ = caps.wChannelMask;
  support_ = caps.dwSupport;
  if (OnDeviceChanged) OnDeviceChanged(this);
}

// The default output is tried first, then 0, 1, …; among equal names the first wins. A name that
// arrives while a stored form is read is dropped.
void TMidiOutput::SetProductName(const std::string& name) {
  if (state_ == mpsOpen) throw EMidiOutputError("Change to ProductName while device was open");
  if (IsLoading()) return;
  const UINT count = midiOutGetNumDevs();
  DWORD found = count;
  for (std::uint64_t step = 0; step <= count; ++step) {
    const DWORD device = step == 0 ? MIDI_MAPPER : static_cast<DWORD>(step - 1);
    MIDIOUTCAPSA caps{};
    Check(midiOutGetDevCapsA(device, &caps, sizeof caps), TMidiOutputContext::General);
    if (name == caps.szPname) {
      productName_ = name;
      found = device;
      break;
    }
  }
  if (productName_ != name) throw EMidiOutputError("MIDI output Device " + name + " not installed");
  SetDeviceID(found);
}

bool TMidiOutput::Open() {
  if (state_ == mpsOpen) return true;
  try {
    if (instance_ == nullptr) instance_ = CreateCallbackInstance();
    if (instance_ != nullptr) {
      instance_->Window = window_;
      error_ = midiOutOpen(&deviceHandle_, deviceId_, reinterpret_cast<DWORD_PTR>(&MidiDriverCallback),
                           reinterpret_cast<DWORD_PTR>(instance_), CALLBACK_FUNCTION);
      if (error_ == MMSYSERR_NOERROR) {
        state_ = mpsOpen;
        return true;
      }
    }
  } catch (...) {
    // Open reports failure by its result alone.
  }
  deviceHandle_ = nullptr;
  FreeCallbackInstance(instance_);
  instance_ = nullptr;
  return false;
}

// Messages still in flight are taken back with a reset, so that the close is not refused and
// nothing is left with the platform. The platform hands back a message that went out just before
// the reset and one the reset took back alike, so every one of them is reported; from the window,
// once Close has returned, so that a handler meets the port as Close left it.
bool TMidiOutput::Close() {
  bool closed = false;
  if (state_ == mpsOpen) {
    if (resetOnClose_ || !inFlight_.empty()) Check(midiOutReset(deviceHandle_), TMidiOutputContext::General);
    ReportLater(inFlight_.size());
    ReleaseInFlight();
    Check(midiOutClose(deviceHandle_), TMidiOutputContext::General);
    closed = true;
  }
  deviceHandle_ = nullptr;
  state_ = mpsClosed;
  return closed;
}

// Should the notice not fit in the window's queue, the next notice the window handles reports them.
void TMidiOutput::ReportLater(std::size_t released) {
  if (released == 0) return;
  releasedAtClose_ += released;
  framework::PostMessageA(window_, kReleasedAtClose, 0, 0);
}

void TMidiOutput::ReportReleasedAtClose() {
  while (releasedAtClose_ > 0) {
    --releasedAtClose_;
    // A failing handler is shown, and costs the reports after it nothing.
    framework::RunGuarded([this] {
      if (OnMidiOutput) OnMidiOutput(this);
    });
  }
}

void TMidiOutput::ReleaseInFlight() noexcept {
  for (auto& entry : inFlight_) midiOutUnprepareHeader(deviceHandle_, entry.second->Header(), sizeof(MIDIHDR));
  inFlight_.clear();
}

// After a failed close at destruction: one more try, raising nothing. Headers the platform may
// still hold are never freed under it; a device that still refuses to close keeps the window it
// posts to, which no longer calls this port.
void TMidiOutput::AbandonDevice() noexcept {
  if (midiOutReset(deviceHandle_) == MMSYSERR_NOERROR) ReleaseInFlight();
  for (auto& entry : inFlight_) static_cast<void>(entry.second.release());
  inFlight_.clear();
  if (midiOutClose(deviceHandle_) != MMSYSERR_NOERROR) {
    framework::AbandonHWnd(window_);
    return;
  }
  deviceHandle_ = nullptr;
  state_ = mpsClosed;
}

bool TMidiOutput::ChangeDevice(DWORD deviceId, bool openAfter) {
  bool result = false;
  if (state_ != mpsClosed) Close();
  if (state_ == mpsClosed) {
    SetDeviceID(deviceId);
    if (openAfter) result = Open();
  }
  return result;
}

void TMidiOutput::SendShortMsg(BYTE status, BYTE data1, BYTE data2) {
  if (state_ != mpsOpen) throw EMidiOutputError("(Short Msg) Device not opened.");
  const DWORD message = status | static_cast<DWORD>(data1) << 8 | static_cast<DWORD>(data2) << 16;
  Check(midiOutShortMsg(deviceHandle_, message), TMidiOutputContext::ShortMessage);
}

// A header the platform refused is released here before the failure leaves.
void TMidiOutput::SendLongMsg(const BYTE* bytes, WORD length) {
  if (state_ != mpsOpen) throw EMidiOutputError("(Long Msg) Device not opened.");
  if (length == 0) throw EMidiOutputError("(Long Msg) A System Exclusive message of no bytes cannot be sent.");
  auto buffer = std::make_unique<TMyMidiHdr>(length);
  MIDIHDR* header = buffer->Header();
  if (buffer->DataBlock() != nullptr) std::memcpy(buffer->DataBlock(), bytes, length);
  if (header != nullptr) header->dwUser = reinterpret_cast<DWORD_PTR>(buffer.get());
  Check(midiOutPrepareHeader(deviceHandle_, header, sizeof(MIDIHDR)), TMidiOutputContext::HeaderPreparation);
  inFlight_.emplace(header, std::move(buffer));
  const MMRESULT sent = midiOutLongMsg(deviceHandle_, header, sizeof(MIDIHDR));
  if (sent != MMSYSERR_NOERROR) {
    midiOutUnprepareHeader(deviceHandle_, header, sizeof(MIDIHDR));
    inFlight_.erase(header);
  }
  Check(sent, TMidiOutputContext::LongMessage);
}

void TMidiOutput::SendEvent(const TMyMidiEvent& event) {
  if (state_ != mpsOpen) throw EMidiOutputError("MIDI Output device not open");
  if (event.SysexBytes) {
    SendLongMsg(event.SysexBytes.get(), event.SysexByteCount);
  } else {
    SendShortMsg(event.StatusByte, event.DataByte1, event.DataByte2);
  }
}

// What Close released was handed over before anything a notice can be about now.
void TMidiOutput::MessageHandler(framework::TMessage& message) {
  ReportReleasedAtClose();
  if (message.Msg == MOM_DONE) ReleaseDone(reinterpret_cast<const MIDIHDR*>(message.LParam));
}

// Only a header the port still has in flight, and that the platform has finished with, is
// released: a notice for one taken back at close is stale, and its address may since belong to a
// new header that is still queued.
void TMidiOutput::ReleaseDone(const MIDIHDR* header) {
  const auto found = inFlight_.find(header);
  if (found == inFlight_.end() || (FlagsOf(*found->second->Header()) & MHDR_INQUEUE) != 0) return;
  midiOutUnprepareHeader(deviceHandle_, found->second->Header(), sizeof(MIDIHDR));
  inFlight_.erase(found);
  if (OnMidiOutput) OnMidiOutput(this);
}

}  // namespace midi
