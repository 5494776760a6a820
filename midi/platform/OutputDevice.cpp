#include "midi/platform/OutputDevice.h"

#include <chrono>
#include <thread>

#include "midi/platform/CallObserver.h"
#include "midi/platform/EmulationFaults.h"
#include "midi/platform/HeaderFlags.h"

namespace platform {

OutputDevice::OutputDevice(MIDICALLBACK callback, DWORD_PTR instance) : callback_(callback), instance_(instance) {}

OutputDevice::~OutputDevice() {
  if (sender_.joinable()) {
    StopSender();
    if (connection_ != nullptr) connection_->Cancel();
    sender_.join();
  }
}

// A flag of its own rather than the thread's stop token: a condition wait on a stop token can hang
// with mingw-w64's libstdc++, where the stop callback's semaphore loses wake-ups.
void OutputDevice::StopSender() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
}

MMRESULT OutputDevice::Connect(Transport& transport, UINT index) {
  behaviour_ = transport.Behaviour();
  MMRESULT result = MMSYSERR_NOERROR;
  connection_ = transport.OpenOutput(index, result);
  if (connection_ == nullptr) return result == MMSYSERR_NOERROR ? MMSYSERR_ERROR : result;
  sender_ = std::jthread([this] { SendLoop(); });
  return MMSYSERR_NOERROR;
}

MMRESULT OutputDevice::Close() {
  {
    std::lock_guard lock(mutex_);
    if (inFlight_ > 0) return MIDIERR_STILLPLAYING;
  }
  StopSender();
  sender_.join();
  connection_.reset();
  return MMSYSERR_NOERROR;
}

// The device is busy while long messages are in flight, as on the platform; this also keeps
// the connection to one caller at a time.
MMRESULT OutputDevice::ShortMsg(DWORD message) {
  if (SwitchedOff()) return RefuseSend();
  {
    std::lock_guard lock(mutex_);
    if (inFlight_ > 0) return MIDIERR_NOTREADY;
  }
  return connection_->SendShort(message);
}

// Only the window thread adds to what is in flight, so the room seen here is still there below,
// and a sender seen idle (nothing queued or being sent, no completion still being reported) stays
// idle: the connection is this thread's alone, and a completion reported here comes after every
// earlier one.
MMRESULT OutputDevice::LongMsg(MIDIHDR* header, UINT headerSize) {
  if (SwitchedOff()) return RefuseSend();
  if (header != nullptr && header->dwBufferLength > kMaxLongMessageLength) return MMSYSERR_INVALPARAM;
  bool senderIdle = false;
  {
    std::lock_guard lock(mutex_);
    if (inFlight_ >= kMaxLongMessagesInFlight) return MIDIERR_NOTREADY;
    senderIdle = inFlight_ == 0 && reporting_ == 0;
  }
  const MMRESULT result = QueueHeader(header, headerSize);
  if (result != MMSYSERR_NOERROR) return result;
  const Queued message{header, false, CheckTransferFault()};
  if (senderIdle) {
    if (const std::optional<MMRESULT> transferred = TransferAtOnce(message)) {
      MarkDone(*header);
      Notify(MOM_DONE, reinterpret_cast<DWORD_PTR>(header), *transferred);
      return MMSYSERR_NOERROR;
    }
  }
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(message);
    ++inFlight_;
  }
  wake_.notify_one();
  return MMSYSERR_NOERROR;
}

// Hands back every header not yet sent, ends the one being sent, and returns once each has been
// reported done; or, where resets hand back late, once the transfer under way has ended, the
// headers following from the sender thread after the switch's time.
MMRESULT OutputDevice::Reset() {
  if (SwitchedOff()) return MMSYSERR_NODRIVER;
  std::unique_lock lock(mutex_);
  for (Queued& queued : queue_) queued.withdrawn = true;
  if (behaviour_.resetHandsBackAfter) handBackAt_ = std::chrono::steady_clock::now() + *behaviour_.resetHandsBackAfter;
  const auto done = [this] {
    return behaviour_.resetHandsBackAfter ? !transferring_ : inFlight_ == 0 && reporting_ == 0;
  };
  while (!done()) {
    connection_->Cancel();
    drained_.wait_for(lock, std::chrono::milliseconds(10));
  }
  return MMSYSERR_NOERROR;
}

bool OutputDevice::SwitchedOff() const { return connection_ != nullptr && connection_->DeviceSwitchedOff(); }

MMRESULT OutputDevice::RefuseSend() const {
  std::this_thread::sleep_for(behaviour_.switchedOffSendBlocks);
  return MMSYSERR_NODRIVER;
}

void OutputDevice::Notify(UINT message, DWORD_PTR param1, DWORD_PTR param2) noexcept {
  if (CallObserver* observer = CurrentCallObserver()) observer->OutputCallbackCalled(message, param1);
  if (callback_ != nullptr) callback_(Handle(), message, instance_, param1, param2);
}

void OutputDevice::SendLoop() {
  Queued next{};
  while (TakeNext(next)) {
    const MMRESULT result = Transfer(next);
    AwaitHandBack();
    Complete(*next.header, result);
  }
}

// The transfer is over; its header goes back now, or once a reset's late hand-back is due.
void OutputDevice::AwaitHandBack() {
  std::chrono::steady_clock::time_point due;
  {
    std::lock_guard lock(mutex_);
    transferring_ = false;
    due = handBackAt_;
  }
  drained_.notify_all();
  std::this_thread::sleep_until(due);
}

// What the transport made of the message. A fault armed for it stands for a transport that
// failed: its bytes never reach the device.
MMRESULT OutputDevice::Transfer(const Queued& message) {
  if (message.withdrawn) return MMSYSERR_NOERROR;
  if (message.transferFault != MMSYSERR_NOERROR) return message.transferFault;
  if (CallObserver* observer = CurrentCallObserver()) observer->LongMsgTransferring(message.header);
  return connection_->SendLong({reinterpret_cast<const BYTE*>(message.header->lpData), message.header->dwBufferLength});
}

std::optional<MMRESULT> OutputDevice::TransferAtOnce(const Queued& message) {
  if (message.transferFault != MMSYSERR_NOERROR) return message.transferFault;
  if (CallObserver* observer = CurrentCallObserver()) observer->LongMsgTransferring(message.header);
  return connection_->TrySendLong(
      {reinterpret_cast<const BYTE*>(message.header->lpData), message.header->dwBufferLength});
}

bool OutputDevice::TakeNext(Queued& next) {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
  if (queue_.empty()) return false;
  next = queue_.front();
  queue_.pop_front();
  transferring_ = true;
  return true;
}

// The header stops counting as in flight before its owner hears of it, so that the owner may
// close the device as soon as the last MOM_DONE arrives. A transfer that failed after
// midiOutLongMsg returned has no return value left to report it: its result goes with the
// completion, in MOM_DONE's second parameter, which the platform's own drivers leave 0.
void OutputDevice::Complete(MIDIHDR& header, MMRESULT result) {
  MarkDone(header);
  {
    std::lock_guard lock(mutex_);
    --inFlight_;
    ++reporting_;
  }
  Notify(MOM_DONE, reinterpret_cast<DWORD_PTR>(&header), result);
  {
    std::lock_guard lock(mutex_);
    --reporting_;
  }
  drained_.notify_all();
}

}  // namespace platform
