#include "framework/MessageWindow.h"

#include <QSocketNotifier>

#include <cassert>
#include <utility>

#include "framework/BoundedQueue.h"
#include "framework/ExceptionGuard.h"
#include "framework/WakeUp.h"

namespace framework {

namespace {

struct PostedMessage {
  std::uint32_t msg;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

thread_local std::uint32_t lastError = 0;

}  // namespace

class MessageWindow {
 public:
  explicit MessageWindow(TWndMethod method)
      : method_(std::move(method)), notifier_(wakeUp_.Descriptor(), QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { OnWakeUp(); });
  }
  ~MessageWindow() { assert(!delivering_ && "a window must not be destroyed from its own method"); }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Messages are still taken from the queue, so that the wake-up does not fire for ever.
  void Abandon() { abandoned_ = true; }

  bool Post(const PostedMessage& message) noexcept {
    if (!queue_.TryPush(message)) return false;
    wakeUp_.Request();
    return true;
  }

 private:
  void OnWakeUp() {
    if (delivering_) {
      // A handler runs a nested event loop. Delivering here would overtake the message still on
      // the stack; leave the descriptor readable and wait until that handler returns.
      notifier_.setEnabled(false);
      return;
    }
    wakeUp_.Acknowledge();
    delivering_ = true;
    const std::size_t delivered = DeliverQueued();
    delivering_ = false;
    notifier_.setEnabled(true);
    if (delivered == kDeliveriesPerWakeUp) wakeUp_.Rearm();
  }

  std::size_t DeliverQueued() {
    std::size_t delivered = 0;
    PostedMessage posted{};
    while (delivered < kDeliveriesPerWakeUp && queue_.TryPop(posted)) {
      ++delivered;
      if (abandoned_) continue;
      TMessage message{.Msg = posted.msg, .WParam = posted.wParam, .LParam = posted.lParam};
      RunGuarded([this, &message] { method_(message); });
    }
    return delivered;
  }

  TWndMethod method_;
  BoundedQueue<PostedMessage> queue_{kMessageQueueCapacity};
  WakeUp wakeUp_;
  QSocketNotifier notifier_;  // declared last: it must go before the descriptor it watches
  bool delivering_ = false;
  bool abandoned_ = false;
};

HWND AllocateHWnd(TWndMethod method) { return new MessageWindow(std::move(method)); }

void DeallocateHWnd(HWND window) { delete window; }

void AbandonHWnd(HWND window) {
  if (window != nullptr) window->Abandon();
}

bool PostMessageA(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  if (window == nullptr) {
    lastError = kErrorInvalidWindowHandle;
    return false;
  }
  if (window->Post(PostedMessage{message, wParam, lParam})) return true;
  lastError = kErrorNotEnoughQuota;
  return false;
}

std::uint32_t GetLastError() noexcept { return lastError; }

}  // namespace framework
