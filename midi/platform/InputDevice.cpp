#include "midi/platform/InputDevice.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "midi/platform/CallObserver.h"
#include "midi/platform/HeaderFlags.h"
#include "midi/platform/SysexBytes.h"

namespace platform {

InputDevice::InputDevice(MIDICALLBACK callback, DWORD_PTR instance) : callback_(callback), instance_(instance) {}

InputDevice::~InputDevice() {
  CloseGate();
  AwaitHandBack();
}

MMRESULT InputDevice::Connect(Transport& transport, UINT index) {
  behaviour_ = transport.Behaviour();
  MMRESULT result = MMSYSERR_NOERROR;
  connection_ = transport.OpenInput(index, *this, result);
  if (connection_ == nullptr && result == MMSYSERR_NOERROR) result = MMSYSERR_ERROR;
  return result;
}

// A late hand-back that has given back the last buffer may still be telling the client of it.
MMRESULT InputDevice::Close() {
  if (queuedBuffers_.load(std::memory_order_acquire) > 0) return MIDIERR_STILLPLAYING;
  AwaitHandBack();
  CloseGate();
  connection_.reset();
  return MMSYSERR_NOERROR;
}

MMRESULT InputDevice::AddBuffer(MIDIHDR* header, UINT headerSize) {
  if (SwitchedOff()) return MMSYSERR_NODRIVER;
  const bool wasDone = header != nullptr && HasFlag(*header, MHDR_DONE);
  const MMRESULT result = QueueHeader(header, headerSize);
  if (result != MMSYSERR_NOERROR) return result;
  if (!behaviour_.addBufferKeepsHeader) {
    header->dwBytesRecorded = 0;
  } else if (wasDone) {
    FlagsOf(*header).fetch_or(MHDR_DONE, std::memory_order_acq_rel);
  }
  queuedBuffers_.fetch_add(1, std::memory_order_acq_rel);
  lent_.Push(header);
  return MMSYSERR_NOERROR;
}

MMRESULT InputDevice::Start() {
  if (SwitchedOff()) return MMSYSERR_NODRIVER;
  AwaitHandBack();
  if (!started_.load(std::memory_order_acquire)) {
    startTicks_.store(std::chrono::steady_clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    started_.store(true, std::memory_order_seq_cst);
  }
  return MMSYSERR_NOERROR;
}

// Stopping returns the buffer being filled, with what it holds; empty buffers stay lent.
MMRESULT InputDevice::Stop() {
  if (SwitchedOff()) return MMSYSERR_NODRIVER;
  CloseGate();
  AwaitHandBack();
  ReturnFillingBuffer(false);
  return MMSYSERR_NOERROR;
}

// Resetting stops input and hands every lent buffer back through the callback, the one being
// filled first, the others in lending order with what they hold; where resets hand back late,
// from a thread of the device's own once the switch's time has passed.
MMRESULT InputDevice::Reset() {
  if (SwitchedOff()) return MMSYSERR_NODRIVER;
  CloseGate();
  AwaitHandBack();
  if (!behaviour_.resetHandsBackAfter) {
    ReturnEveryBuffer();
    return MMSYSERR_NOERROR;
  }
  handBack_ = std::jthread([this, delay = *behaviour_.resetHandsBackAfter] {
    std::this_thread::sleep_for(delay);
    ReturnEveryBuffer();
  });
  return MMSYSERR_NOERROR;
}

void InputDevice::ReturnEveryBuffer() noexcept {
  ReturnFillingBuffer(false);
  while (MIDIHDR* header = lent_.Pop()) ReturnBuffer(*header, MIM_LONGDATA);
}

void InputDevice::AwaitHandBack() {
  if (handBack_.joinable()) handBack_.join();
}

bool InputDevice::SwitchedOff() const { return connection_ != nullptr && connection_->DeviceSwitchedOff(); }

void InputDevice::Notify(UINT message, DWORD_PTR param1, DWORD_PTR param2) noexcept {
  if (CallObserver* observer = CurrentCallObserver()) observer->InputCallbackCalled(message, param1);
  if (callback_ != nullptr) callback_(Handle(), message, instance_, param1, param2);
}

void InputDevice::ReceiveShort(DWORD message) noexcept {
  if (!EnterDelivery()) return;
  Notify(MIM_DATA, message, MillisecondsSinceStart());
  LeaveDelivery();
}

// Fills the oldest lent buffer; a buffer goes back when it is full or the message ends, so a
// message longer than a buffer spreads over several (or sooner, where System Exclusive comes back
// in pieces). Bytes that find no lent buffer are lost.
void InputDevice::ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept {
  if (!EnterDelivery()) return;
  while (!bytes.empty()) {
    if (filling_ == nullptr) {
      filling_ = lent_.Pop();
      fillingPiece_ = 0;
    }
    if (filling_ == nullptr) break;
    const DWORD room = filling_->dwBufferLength - std::min(filling_->dwBytesRecorded, filling_->dwBufferLength);
    const DWORD pieceRoom = behaviour_.sysexPieceBytes != 0 ? behaviour_.sysexPieceBytes - fillingPiece_ : room;
    const DWORD count = static_cast<DWORD>(std::min<std::size_t>(std::min(room, pieceRoom), bytes.size()));
    if (count > 0) std::memcpy(filling_->lpData + filling_->dwBytesRecorded, bytes.data(), count);
    filling_->dwBytesRecorded += count;
    fillingPiece_ += count;
    bytes = bytes.subspan(count);
    if (count == room || count == pieceRoom) ReturnFillingBuffer(messageEnds && bytes.empty());
  }
  if (messageEnds) ReturnFillingBuffer(true);
  LeaveDelivery();
}

// Like every delivery, only while the device is started: input that comes while it is stopped is
// not the client's, nor is its loss.
void InputDevice::ReportLoss() noexcept {
  if (!EnterDelivery()) return;
  Notify(kMimInputLost, 0, MillisecondsSinceStart());
  LeaveDelivery();
}

bool InputDevice::EnterDelivery() noexcept {
  deliveriesInProgress_.fetch_add(1, std::memory_order_seq_cst);
  if (started_.load(std::memory_order_seq_cst)) return true;
  deliveriesInProgress_.fetch_sub(1, std::memory_order_release);
  return false;
}

void InputDevice::LeaveDelivery() noexcept { deliveriesInProgress_.fetch_sub(1, std::memory_order_release); }

void InputDevice::CloseGate() noexcept {
  started_.store(false, std::memory_order_seq_cst);
  while (deliveriesInProgress_.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
}

DWORD InputDevice::MillisecondsSinceStart() const noexcept {
  using namespace std::chrono;
  const steady_clock::duration elapsed =
      steady_clock::now().time_since_epoch() - steady_clock::duration(startTicks_.load(std::memory_order_relaxed));
  return static_cast<DWORD>(duration_cast<milliseconds>(elapsed).count());
}

void InputDevice::ReturnBuffer(MIDIHDR& header, UINT message) noexcept {
  MarkDone(header);
  queuedBuffers_.fetch_sub(1, std::memory_order_acq_rel);
  Notify(message, reinterpret_cast<DWORD_PTR>(&header), MillisecondsSinceStart());
}

// A message that ended without its end byte is reported as broken.
void InputDevice::ReturnFillingBuffer(bool messageEnds) noexcept {
  if (filling_ == nullptr) return;
  MIDIHDR& header = *filling_;
  filling_ = nullptr;
  const DWORD recorded = std::min(header.dwBytesRecorded, header.dwBufferLength);
  const bool broken = messageEnds && recorded > 0 && static_cast<BYTE>(header.lpData[recorded - 1]) != kSysexEnd;
  ReturnBuffer(header, broken ? MIM_LONGERROR : MIM_LONGDATA);
}

}  // namespace platform
