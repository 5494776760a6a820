#include "midi/MidiOut.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "framework/ExceptionGuard.h"
#include "midi/HandBack.h"
#include "midi/PortMessages.h"
#include "midi/platform/HeaderFlags.h"

namespace midi {

namespace {

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
    {TMidiOutputContext::HeaderPreparation, MMSYSERR_INVALHANDLE,
     "(Prep Header) The specified device handle is invalid."},
    {TMidiOutputContext::HeaderPreparation, MMSYSERR_NOMEM,
     "(Prep Header) The system is unable to allocate or lock memory."},
    {TMidiOutputContext::HeaderPreparation, MMSYSERR_INVALPARAM,
     "(Prep Header) The specified address is invalid or the given stream buffer is greater than 64K."},
};

}  // namespace

TMidiOutput::TMidiOutput(framework::TComponent* owner) : TMidiIO(owner) {
  state_ = mpsClosed;
  deviceCount_ = static_cast<WORD>(midiOutGetNumDevs());
  resetOnClose_ = false;
}

// Raises nothing. The owner may be going away, so no event fires from here; a failing close is
// shown through the exception guard, and a device that still refuses to close keeps what it can
// reach rather than have it freed under it.
TMidiOutput::~TMidiOutput() {
  OnMidiOutput = {};
  OnDeviceChanged = {};
  if (state_ != mpsOpen) return;
  framework::RunGuarded([this] { Close(); });
  if (state_ == mpsOpen) AbandonDevice();
}

DWORD TMidiOutput::RefreshDeviceCount() {
  deviceCount_ = static_cast<WORD>(PlatformDeviceCount());
  return deviceCount_;
}

std::string TMidiOutput::ErrorText(DWORD code, TMidiOutputContext context) const {
  const auto* fixed = std::find_if(std::begin(kContextTexts), std::end(kContextTexts), [&](const ContextText& entry) {
    return entry.context == context && entry.code == code;
  });
  if (fixed != std::end(kContextTexts)) return fixed->text;
  return PlatformErrorText(code);
}

std::size_t TMidiOutput::MessagesQueued() const {
  return static_cast<std::size_t>(std::count_if(inFlight_.begin(), inFlight_.end(), [](const auto& entry) {
    return platform::HasFlag(*entry.second->Header(), MHDR_INQUEUE);
  }));
}

void TMidiOutput::Check(MMRESULT result, TMidiOutputContext context) {
  if (Failed(result)) throw EMidiOutputError(ErrorText(result, context));
}

UINT TMidiOutput::PlatformDeviceCount() const { return midiOutGetNumDevs(); }

MMRESULT TMidiOutput::GetPlatformErrorText(MMRESULT code, LPSTR text, UINT size) const {
  return midiOutGetErrorTextA(code, text, size);
}

MIDIOUTCAPSA TMidiOutput::ReadCapabilities(DWORD device) {
  MIDIOUTCAPSA caps{};
  Check(midiOutGetDevCapsA(device, &caps, sizeof caps), TMidiOutputContext::General);
  return caps;
}

std::string TMidiOutput::ProductNameOf(DWORD device) { return ReadCapabilities(device).szPname; }

void TMidiOutput::SelectCapabilities(DWORD device) {
  const MIDIOUTCAPSA caps = ReadCapabilities(device);
  KeepCapabilities(caps);
  technology_ = static_cast<BYTE>(caps.wTechnology);
  voices_ = caps.wVoices;
  notes_ = caps.wNotes;
  channelMask_ = caps.wChannelMask;
  support_ = caps.dwSupport;
}

std::string TMidiOutput::NotInstalledText(const std::string& name) const {
  return "MIDI output Device " + name + " not installed";
}

void TMidiOutput::Raise(const std::string& message) const { throw EMidiOutputError(message); }

bool TMidiOutput::Open() {
  if (state_ == mpsOpen) return true;
  try {
    if (ObtainInstance() != nullptr &&
        !Failed(midiOutOpen(&deviceHandle_, DeviceID(), reinterpret_cast<DWORD_PTR>(&MidiDriverCallback),
                            reinterpret_cast<DWORD_PTR>(Instance()), CALLBACK_FUNCTION))) {
      state_ = mpsOpen;
      busyRefusals_ = 0;
      return true;
    }
  } catch (...) {
    // Open reports failure by its result alone.
  }
  deviceHandle_ = nullptr;
  ReleaseInstance();
  return false;
}

// Messages still in flight are taken back with a reset, so that the close is not refused and
// nothing is left with the platform. The platform hands back a message that went out just before
// the reset and one the reset took back alike, so every one of them is reported; from the window,
// once Close has returned, so that a handler meets the port as Close left it. A header the device
// still holds after the wait keeps the device open (its close is refused) and stays in flight
// until its MOM_DONE; one whose unprepare failed otherwise goes once the device has closed.
bool TMidiOutput::Close() {
  bool closed = false;
  if (state_ == mpsOpen) {
    if (resetOnClose_ || !inFlight_.empty()) Check(midiOutReset(deviceHandle_), TMidiOutputContext::General);
    ReportLater(ReleaseInFlight());
    Check(midiOutClose(deviceHandle_), TMidiOutputContext::General);
    ReportLater(inFlight_.size());
    inFlight_.clear();
    completionsOfReleased_ = 0;
    closed = true;
  }
  deviceHandle_ = nullptr;
  state_ = mpsClosed;
  return closed;
}

// Should the notice not fit in the window's queue, the next notice the window handles reports them.
void TMidiOutput::ReportLater(std::size_t released) {
  if (released == 0) return;
  releasedUnreported_ += released;
  framework::PostMessageA(Window(), kReleasedUnreported, 0, 0);
}

void TMidiOutput::ReportReleased() {
  while (releasedUnreported_ > 0) {
    --releasedUnreported_;
    // A failing handler is shown, and costs the reports after it nothing.
    framework::RunGuarded([this] {
      if (OnMidiOutput) OnMidiOutput(this);
    });
  }
}

// A device that answers each message at once keeps the window busy with its replies, and a driver
// that finishes each message inside the send posts its completion behind them: the completions
// then come far later than the sends, or not at all once the window's queue is full. The headers
// the platform has finished with go now, reported as their completions would report them; the
// completions, when they come, find them gone, and only a failure they carry is still raised.
void TMidiOutput::ReleaseFinishedAhead() {
  std::size_t released = 0;
  for (auto entry = inFlight_.begin(); entry != inFlight_.end();) {
    MIDIHDR* header = entry->second->Header();
    if (platform::HasFlag(*header, MHDR_INQUEUE)) {
      ++entry;
      continue;
    }
    midiOutUnprepareHeader(deviceHandle_, header, sizeof(MIDIHDR));
    entry = inFlight_.erase(entry);
    ++released;
  }
  completionsOfReleased_ += released;
  ReportLater(released);
}

std::size_t TMidiOutput::ReleaseInFlight() noexcept {
  const auto deadline = std::chrono::steady_clock::now() + kHandBackWait;
  std::size_t released = 0;
  for (auto entry = inFlight_.begin(); entry != inFlight_.end();) {
    MIDIHDR* header = entry->second->Header();
    const auto unprepare = [this, header] { return midiOutUnprepareHeader(deviceHandle_, header, sizeof(MIDIHDR)); };
    if (UnprepareOnceHandedBack(unprepare, deadline) != MMSYSERR_NOERROR) {
      ++entry;
      continue;
    }
    entry = inFlight_.erase(entry);
    ++released;
  }
  return released;
}

// After a failed close at destruction: one more try, raising nothing. Headers the platform may
// still hold are never freed under it; a device that still refuses to close keeps the window it
// posts to, which no longer calls this port.
void TMidiOutput::AbandonDevice() noexcept {
  if (midiOutReset(deviceHandle_) == MMSYSERR_NOERROR) ReleaseInFlight();
  for (auto& entry : inFlight_) static_cast<void>(entry.second.release());
  inFlight_.clear();
  if (midiOutClose(deviceHandle_) != MMSYSERR_NOERROR) {
    AbandonWindow();
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
  if (AtBound()) ReleaseFinishedAhead();
  if (AtBound()) {
    ++busyRefusals_;
    Check(MIDIERR_NOTREADY, TMidiOutputContext::LongMessage);
  }
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
  if (sent == MIDIERR_NOTREADY) ++busyRefusals_;
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
  ReportReleased();
  if (message.Msg == MOM_DONE)
    ReleaseDone(reinterpret_cast<const MIDIHDR*>(message.LParam), static_cast<MMRESULT>(message.WParam));
}

// Only a header the port still has in flight, and that the platform has finished with, is
// released: a notice for one taken back at close is stale, and its address may since belong to a
// new header that is still queued. A message whose transfer failed after the send returned is
// the send's failure, raised with the send's text once its header is released and OnMidiOutput
// has fired for it; a failing handler is shown and costs the send's error nothing.
void TMidiOutput::ReleaseDone(const MIDIHDR* header, MMRESULT transfer) {
  const auto found = inFlight_.find(header);
  if (found == inFlight_.end()) {
    ComplainOfReleasedAhead(transfer);
    return;
  }
  if (platform::HasFlag(*found->second->Header(), MHDR_INQUEUE)) return;
  midiOutUnprepareHeader(deviceHandle_, found->second->Header(), sizeof(MIDIHDR));
  inFlight_.erase(found);
  if (transfer == MMSYSERR_NOERROR) {
    if (OnMidiOutput) OnMidiOutput(this);
    return;
  }
  framework::RunGuarded([this] {
    if (OnMidiOutput) OnMidiOutput(this);
  });
  Check(transfer, TMidiOutputContext::LongMessage);
}

// The completion of a message released ahead of it: its header went already, and its report with
// it, but a failure on its way is still the send's error. A success leaves Error as it is: it
// answers no call of the caller's.
void TMidiOutput::ComplainOfReleasedAhead(MMRESULT transfer) {
  if (completionsOfReleased_ == 0) return;
  --completionsOfReleased_;
  if (transfer != MMSYSERR_NOERROR) Check(transfer, TMidiOutputContext::LongMessage);
}

}  // namespace midi
