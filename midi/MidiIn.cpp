#include "midi/MidiIn.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/ExceptionGuard.h"
#include "midi/HandBack.h"
#include "midi/PortMessages.h"
#include "midi/platform/SysexBytes.h"

namespace midi {

TMidiInput::TMidiInput(framework::TComponent* owner) : TMidiIO(owner) {
  state_ = mpsCreating;
  sysexOnly_ = false;
  deviceCount_ = midiInGetNumDevs();
  if (deviceCount_ > 0) SetDeviceID(0);
  capacity_ = 1024;
  sysexBufferSize_ = 4096;
  sysexBufferCount_ = 16;
  filteredMessages_ = {msgActiveSensing, msgMidiTimeCode};
  state_ = mpsClosed;
}

// A destructor cannot raise: a failing close is shown through the exception guard. A device that
// still refuses to close may go on calling back, so what it can reach is then kept, not freed.
TMidiInput::~TMidiInput() {
  if (deviceHandle_ == nullptr) return;
  framework::RunGuarded([this] { Close(); });
  if (deviceHandle_ != nullptr) ReleaseDevice();
  if (deviceHandle_ != nullptr) AbandonDevice();
}

DWORD TMidiInput::RefreshDeviceCount() {
  deviceCount_ = PlatformDeviceCount();
  return deviceCount_;
}

std::string TMidiInput::ErrorText(WORD code) const { return PlatformErrorText(code); }

void TMidiInput::Check(MMRESULT result) {
  if (Failed(result)) throw EMidiInputError(ErrorText(static_cast<WORD>(result)));
}

UINT TMidiInput::PlatformDeviceCount() const { return midiInGetNumDevs(); }

MMRESULT TMidiInput::GetPlatformErrorText(MMRESULT code, LPSTR text, UINT size) const {
  return midiInGetErrorTextA(code, text, size);
}

MIDIINCAPSA TMidiInput::ReadCapabilities(DWORD device) {
  MIDIINCAPSA caps{};
  Check(midiInGetDevCapsA(device, &caps, sizeof caps));
  return caps;
}

std::string TMidiInput::ProductNameOf(DWORD device) { return ReadCapabilities(device).szPname; }

void TMidiInput::SelectCapabilities(DWORD device) { KeepCapabilities(ReadCapabilities(device)); }

std::string TMidiInput::NotInstalledText(const std::string& name) const {
  return "MIDI Input Device " + name + " not installed ";
}

void TMidiInput::Raise(const std::string& message) const { throw EMidiInputError(message); }

void TMidiInput::SetSysexBufferSize(WORD value) {
  if (state_ == mpsOpen) throw EMidiInputError("Change to SysexBufferSize while device was open");
  sysexBufferSize_ = value;
}

void TMidiInput::SetSysexBufferCount(WORD value) {
  if (state_ == mpsOpen) throw EMidiInputError("Change to SysexBufferCount while device was open");
  sysexBufferCount_ = value;
}

void TMidiInput::SetSysexOnly(bool value) {
  sysexOnly_ = value;
  if (Instance() != nullptr) Instance()->DropShortMessages = value;
}

void TMidiInput::SetFilteredMessages(TMidiMsgFilter value) {
  filteredMessages_ = value;
  if (Instance() != nullptr) {
    Instance()->DropTimingClock = value.Contains(msgMidiTimeCode);
    Instance()->DropActiveSensing = value.Contains(msgActiveSensing);
  }
}

// An open port stays exactly as it is. One that still holds the device of a close that failed
// finishes that close first: opening the device again would be refused as if another program had it.
void TMidiInput::Open() {
  if (state_ == mpsOpen) return;
  if (deviceHandle_ != nullptr) CloseDevice();
  try {
    CreateEventBuffer();
    if (ObtainInstance() == nullptr) throw EMidiInputError("Not enough memory to open the MIDI input device");
    FillInstance();
    Check(midiInOpen(&deviceHandle_, DeviceID(), reinterpret_cast<DWORD_PTR>(&MidiDriverCallback),
                     reinterpret_cast<DWORD_PTR>(Instance()), CALLBACK_FUNCTION));
    CreateSysexBuffers();
    AddSysexBuffers();
    overflowCount_ = 0;
    state_ = mpsOpen;
  } catch (...) {
    ReleaseAfterFailedOpen();
    throw;
  }
}

void TMidiInput::CreateEventBuffer() {
  if (eventBuffer_ != nullptr) return;
  if (capacity_ == 0 || capacity_ > kMaxRingCapacity) {
    throw EMidiInputError("MIDI input Capacity " + std::to_string(capacity_) + " is outside 1 to " +
                          std::to_string(kMaxRingCapacity) + " events");
  }
  eventBuffer_ = CircularBufferCreate(capacity_);
  if (eventBuffer_ == nullptr) throw EMidiInputError("Not enough memory for the MIDI input event buffer");
}

void TMidiInput::FillInstance() {
  CallbackInstance& instance = *Instance();
  instance.EventBuffer = eventBuffer_;
  instance.DropShortMessages = sysexOnly_;
  instance.DropTimingClock = filteredMessages_.Contains(msgMidiTimeCode);
  instance.DropActiveSensing = filteredMessages_.Contains(msgActiveSensing);
  instance.LossesUnreported = 0;
}

// Each header joins the list before it is prepared, so that a failure releases it too.
void TMidiInput::CreateSysexBuffers() {
  if (sysexBufferCount_ == 0 || sysexBufferSize_ == 0 || deviceHandle_ == nullptr) return;
  takenToLend_.clear();
  takenToLend_.reserve(sysexBufferCount_ / 2u);
  sysexHeaders_.emplace();
  for (WORD i = 0; i < sysexBufferCount_; ++i) {
    TMyMidiHdr& buffer = *sysexHeaders_->emplace_back(std::make_unique<TMyMidiHdr>(sysexBufferSize_));
    if (buffer.Header() == nullptr) throw EMidiInputError("Not enough memory for the MIDI input buffers");
    buffer.Header()->dwUser = reinterpret_cast<DWORD_PTR>(&buffer);
    Check(midiInPrepareHeader(deviceHandle_, buffer.Header(), sizeof(MIDIHDR)));
  }
}

void TMidiInput::AddSysexBuffers() {
  if (!sysexHeaders_) return;
  for (const auto& buffer : *sysexHeaders_) Check(midiInAddBuffer(deviceHandle_, buffer->Header(), sizeof(MIDIHDR)));
}

// After a reset: a buffer the device has not handed back yet is waited for, and one it still holds
// after that stays, with the rest, when the failure leaves.
void TMidiInput::FreeSysexBuffers() {
  if (!sysexHeaders_) return;
  HeaderList& buffers = *sysexHeaders_;
  const auto deadline = std::chrono::steady_clock::now() + kHandBackWait;
  while (!buffers.empty()) {
    Check(UnprepareOnceHandedBack([this, &buffers] { return Unprepare(*buffers.front()); }, deadline));
    buffers.erase(buffers.begin());
  }
  sysexHeaders_.reset();
}

MMRESULT TMidiInput::Unprepare(TMyMidiHdr& buffer) noexcept {
  return midiInUnprepareHeader(deviceHandle_, buffer.Header(), sizeof(MIDIHDR));
}

// Undoes what a failed Open built. The device is closed before the memory it can reach is
// released, and that memory is kept if the device refuses to close.
void TMidiInput::ReleaseAfterFailedOpen() noexcept {
  if (deviceHandle_ != nullptr) ReleaseDevice();
  if (deviceHandle_ != nullptr) return;
  CircularBufferFree(eventBuffer_);
  eventBuffer_ = nullptr;
  ReleaseInstance();
}

// Best effort, raising nothing: take every buffer back, unprepare, close; only a closed device's
// buffers and ring are released. Error keeps the result of the close.
void TMidiInput::ReleaseDevice() noexcept {
  ResetDevice();
  if (sysexHeaders_) {
    const auto deadline = std::chrono::steady_clock::now() + kHandBackWait;
    for (const auto& buffer : *sysexHeaders_)
      if (buffer->Header() != nullptr) UnprepareOnceHandedBack([&] { return Unprepare(*buffer); }, deadline);
  }
  if (Failed(midiInClose(deviceHandle_))) return;
  deviceHandle_ = nullptr;
  sysexHeaders_.reset();
  CircularBufferFree(eventBuffer_);
  eventBuffer_ = nullptr;
}

void TMidiInput::Start() {
  if (state_ == mpsOpen) Check(midiInStart(deviceHandle_));
}

// After a refused close at destruction: the ring, the instance and the buffers stay allocated for
// good, and the window stays, but no longer calls this port.
void TMidiInput::AbandonDevice() noexcept {
  if (sysexHeaders_) {
    for (auto& buffer : *sysexHeaders_) static_cast<void>(buffer.release());
  }
  AbandonWindow();
}

// Marked closed first, so that what the reset hands back is no longer reported.
void TMidiInput::Close() {
  if (state_ != mpsOpen) return;
  state_ = mpsClosed;
  CloseDevice();
}

void TMidiInput::CloseDevice() {
  Check(ResetDevice());
  FreeSysexBuffers();
  Check(midiInClose(deviceHandle_));
  deviceHandle_ = nullptr;
  CircularBufferFree(eventBuffer_);
  eventBuffer_ = nullptr;
}

WORD TMidiInput::PendingEventCount() const {
  return state_ == mpsOpen ? eventBuffer_->PendingCount.load(std::memory_order_acquire) : 0;
}

// The item leaves the ring only once its event is built and its buffer is back with the device or
// waiting to go back: when lending at once fails the bytes stay, and a later call delivers them.
std::unique_ptr<TMyMidiEvent> TMidiInput::TakeEvent() {
  BufferedEvent item{};
  if (state_ != mpsOpen || !CircularBufferPeek(eventBuffer_, item)) return nullptr;
  auto event = std::make_unique<TMyMidiEvent>();
  event->TimeStamp = item.TimeStamp;
  if (item.SysexHeader == nullptr) {
    event->StatusByte = static_cast<BYTE>(item.ShortMessage);
    event->DataByte1 = static_cast<BYTE>(item.ShortMessage >> 8);
    event->DataByte2 = static_cast<BYTE>(item.ShortMessage >> 16);
  } else {
    MIDIHDR& header = *item.SysexHeader;
    event->StatusByte = platform::kSysexStart;
    event->SysexByteCount = static_cast<WORD>(header.dwBytesRecorded);
    if (event->SysexByteCount != 0) {
      event->SysexBytes = std::make_unique<BYTE[]>(event->SysexByteCount);
      std::memcpy(event->SysexBytes.get(), header.lpData, event->SysexByteCount);
    }
    if (announcing_ && takenToLend_.size() < sysexBufferCount_ / 2u) {
      takenToLend_.push_back(&header);
    } else {
      Check(LendAgain(header));
    }
  }
  CircularBufferRemove(eventBuffer_);
  return event;
}

// The buffer is back with the port, which starts its count and done flag afresh: drivers need not
// do so when it is lent, and one that adds to the old count would hand back stale bytes before the
// new ones. A buffer the device refused keeps what it holds, for the next take. The port never
// writes a buffer it has lent.
MMRESULT TMidiInput::LendAgain(MIDIHDR& header) noexcept {
  const DWORD recorded = header.dwBytesRecorded;
  header.dwBytesRecorded = 0;
  header.dwFlags &= ~MHDR_DONE;
  MMRESULT result = midiInPrepareHeader(deviceHandle_, &header, sizeof(MIDIHDR));
  if (result == MMSYSERR_NOERROR) result = midiInAddBuffer(deviceHandle_, &header, sizeof(MIDIHDR));
  if (result != MMSYSERR_NOERROR) {
    header.dwBytesRecorded = recorded;
    header.dwFlags |= MHDR_DONE;
  }
  return result;
}

// Oldest first, up to the first the device refuses. A port closed meanwhile has taken every buffer
// back already. Error changes only when there was something to lend, as when each take lent its
// own buffer.
void TMidiInput::LendTakenAgain() {
  if (state_ != mpsOpen) takenToLend_.clear();
  if (takenToLend_.empty()) return;
  std::size_t lent = 0;
  MMRESULT result = MMSYSERR_NOERROR;
  while (lent < takenToLend_.size() && (result = LendAgain(*takenToLend_[lent])) == MMSYSERR_NOERROR) ++lent;
  takenToLend_.erase(takenToLend_.begin(), takenToLend_.begin() + static_cast<std::ptrdiff_t>(lent));
  Check(result);
}

// The buffers a reset hands back are released afterwards, and a new opening may get their
// addresses; the notices of those dropped on overflow are ignored up to the end of the opening.
MMRESULT TMidiInput::ResetDevice() noexcept {
  const MMRESULT result = midiInReset(deviceHandle_);
  if (framework::PostMessageA(Window(), kOpeningEnded, 0, 0)) ++openingsToForget_;
  return result;
}

bool TMidiInput::OwnsHeader(const MIDIHDR* header) const {
  return sysexHeaders_ && std::any_of(sysexHeaders_->begin(), sysexHeaders_->end(),
                                      [header](const auto& buffer) { return buffer->Header() == header; });
}

// A dropped System Exclusive buffer goes back to the device before the overflow is reported, so
// overflow never shrinks the pool. A notice about a buffer of an earlier opening is ignored.
void TMidiInput::ReportOverflow(MIDIHDR* dropped) {
  if (state_ != mpsOpen || openingsToForget_ > 0) return;
  ++overflowCount_;
  if (dropped != nullptr && OwnsHeader(dropped)) Check(LendAgain(*dropped));
  if (OnOverflow) OnOverflow(this);
}

// Every notice ends by reporting the input lost and the events that wait: an event's own notice,
// or the one that tells of the first loss, is lost when the window's queue is full, and the
// notices still queued may all be overflows.
void TMidiInput::MessageHandler(framework::TMessage& message) {
  switch (message.Msg) {
    case kOpeningEnded:
      --openingsToForget_;
      break;
    case kRingOverflow:
      // Its failure is shown, and must not keep the waiting events from being reported.
      if (message.LParam != 0)
        framework::RunGuarded([this, &message] { ReportOverflow(reinterpret_cast<MIDIHDR*>(message.LParam)); });
      break;
    case framework::kQueryEndSession:
      message.Result = 1;
      break;
    default:
      break;
  }
  ReportLosses();
  if (OnMidiInput && state_ == mpsOpen && PendingEventCount() > 0) AnnounceInput();
}

// A handler's failure does not keep the buffers it took from the device; a failure to lend them
// is then shown on its own.
void TMidiInput::AnnounceInput() {
  announcing_ = true;
  try {
    OnMidiInput(this);
  } catch (...) {
    announcing_ = false;
    framework::RunGuarded([this] { LendTakenAgain(); });
    throw;
  }
  announcing_ = false;
  LendTakenAgain();
}

void TMidiInput::ReportLosses() {
  if (Instance() == nullptr) return;
  for (DWORD losses = Instance()->LossesUnreported.exchange(0, std::memory_order_acq_rel); losses > 0; --losses)
    framework::RunGuarded([this] { ReportOverflow(nullptr); });
}

}  // namespace midi
