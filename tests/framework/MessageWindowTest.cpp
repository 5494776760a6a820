#include "framework/MessageWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/ExceptionGuard.h"
#include "framework/IntervalTimer.h"
#include "tests/support/EventLoop.h"
#include "tests/support/UnderWine.h"

namespace framework {
namespace {

struct Delivery {
  std::uintptr_t wParam;
  std::intptr_t lParam;
  std::thread::id thread;
};

class MessageWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    previousHook_ = SetExceptionHook([this](std::exception_ptr) { ++escaped_; });
    window_ = AllocateHWnd([this](TMessage& message) {
      ASSERT_EQ(message.Msg, kFirstUserMessage);
      deliveries_.push_back({message.WParam, message.LParam, std::this_thread::get_id()});
      if (react_) react_(message.WParam);
    });
  }
  void TearDown() override {
    DeallocateHWnd(window_);
    SetExceptionHook(previousHook_);
  }

  bool Post(std::uintptr_t wParam, std::intptr_t lParam = 0) {
    return PostMessageA(window_, kFirstUserMessage, wParam, lParam);
  }
  bool WaitForDeliveries(std::size_t count) {
    return testsupport::ProcessEventsUntil([&] { return deliveries_.size() >= count; });
  }
  std::vector<std::uintptr_t> DeliveredWParams() const {
    std::vector<std::uintptr_t> result;
    for (const Delivery& delivery : deliveries_) result.push_back(delivery.wParam);
    return result;
  }

  HWND window_ = nullptr;
  std::vector<Delivery> deliveries_;
  std::function<void(std::uintptr_t wParam)> react_;
  int escaped_ = 0;

 private:
  ExceptionHook previousHook_;
};

TEST_F(MessageWindowTest, DeliversInPostingOrderInTheWindowThread) {
  constexpr int kCount = 1000;
  std::thread poster([this] {
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(Post(static_cast<std::uintptr_t>(i), -i));
  });
  poster.join();

  ASSERT_TRUE(WaitForDeliveries(kCount));
  for (int i = 0; i < kCount; ++i) {
    const Delivery& delivery = deliveries_[static_cast<std::size_t>(i)];
    EXPECT_EQ(delivery.wParam, static_cast<std::uintptr_t>(i));
    EXPECT_EQ(delivery.lParam, -i);
    EXPECT_EQ(delivery.thread, std::this_thread::get_id());
  }
}

TEST_F(MessageWindowTest, ConcurrentPostersEachKeepTheirOwnOrder) {
  constexpr int kPosters = 4;
  constexpr std::uintptr_t kPerPoster = 5000;
  std::vector<std::thread> posters;
  for (int poster = 0; poster < kPosters; ++poster) {
    posters.emplace_back([this, poster] {
      for (std::uintptr_t sequence = 0; sequence < kPerPoster;) {
        if (Post(sequence, poster)) {
          ++sequence;
        } else {
          ASSERT_EQ(GetLastError(), kErrorNotEnoughQuota);
          std::this_thread::yield();
        }
      }
    });
  }
  const bool allDelivered = WaitForDeliveries(kPosters * kPerPoster);
  for (std::thread& poster : posters) poster.join();
  ASSERT_TRUE(allDelivered);

  std::vector<std::uintptr_t> next(kPosters, 0);
  for (const Delivery& delivery : deliveries_) {
    ASSERT_EQ(delivery.wParam, next[static_cast<std::size_t>(delivery.lParam)]++);
  }
}

TEST_F(MessageWindowTest, FullQueueFailsUntilDrainedAndFailuresSetTheLastError) {
  EXPECT_FALSE(PostMessageA(nullptr, kFirstUserMessage, 0, 0));
  EXPECT_EQ(GetLastError(), kErrorInvalidWindowHandle);
  // Windows' queue quota is the system's, and wine keeps none: there every post succeeds.
  if (testsupport::RunningUnderWine()) GTEST_SKIP() << "wine has no posted-message quota";

  for (std::uintptr_t i = 0; i < kMessageQueueCapacity; ++i) ASSERT_TRUE(Post(i));
  EXPECT_FALSE(Post(kMessageQueueCapacity));
  EXPECT_EQ(GetLastError(), kErrorNotEnoughQuota);
  std::thread([] { EXPECT_EQ(GetLastError(), 0u); }).join();

  ASSERT_TRUE(WaitForDeliveries(kMessageQueueCapacity));
  ASSERT_TRUE(Post(kMessageQueueCapacity + 1));
  ASSERT_TRUE(WaitForDeliveries(kMessageQueueCapacity + 1));
  const std::vector<std::uintptr_t> wParams = DeliveredWParams();
  for (std::uintptr_t i = 0; i < kMessageQueueCapacity; ++i) ASSERT_EQ(wParams[i], i);
  EXPECT_EQ(wParams.back(), kMessageQueueCapacity + 1);
}

TEST_F(MessageWindowTest, ThrowingMethodGoesToTheHookAndLaterMessagesStillArrive) {
  react_ = [](std::uintptr_t wParam) {
    if (wParam == 1) throw std::runtime_error("handler failed");
  };
  for (std::uintptr_t i = 0; i < 3; ++i) Post(i);

  ASSERT_TRUE(WaitForDeliveries(3));
  EXPECT_EQ(escaped_, 1);
  EXPECT_EQ(DeliveredWParams(), (std::vector<std::uintptr_t>{0, 1, 2}));
}

TEST_F(MessageWindowTest, PostsFromAHandlerComeAfterWhatWasAlreadyQueued) {
  react_ = [this](std::uintptr_t wParam) {
    if (wParam != 0) return;
    Post(10);
    Post(11);
  };
  for (std::uintptr_t i = 0; i < 3; ++i) Post(i);

  ASSERT_TRUE(WaitForDeliveries(5));
  EXPECT_EQ(DeliveredWParams(), (std::vector<std::uintptr_t>{0, 1, 2, 10, 11}));
}

TEST_F(MessageWindowTest, NestedEventLoopInAHandlerNeitherOvertakesNorRepeats) {
  std::size_t deliveredDuringNestedLoop = 0;
  react_ = [&](std::uintptr_t wParam) {
    if (wParam != 0) return;
    Post(2);
    EXPECT_TRUE(testsupport::ProcessPendingEvents());
    deliveredDuringNestedLoop = deliveries_.size();
  };
  Post(0);
  Post(1);

  ASSERT_TRUE(WaitForDeliveries(3));
  EXPECT_EQ(deliveredDuringNestedLoop, 1u);
  Post(3);
  ASSERT_TRUE(WaitForDeliveries(4));
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(DeliveredWParams(), (std::vector<std::uintptr_t>{0, 1, 2, 3}));
}

// On Linux a wake-up delivers kDeliveriesPerWakeUp messages and then lets a due timer run. Windows
// hands a thread's posted messages over before its timers, which tick only once the queue is
// empty.
TEST_F(MessageWindowTest, FloodLeavesRoomForOtherEventsOnLinuxAndDelaysTimersOnWindows) {
  std::size_t deliveredWhenTimerRan = 0;
  bool timerRan = false;
  IntervalTimer timer([&] {
    deliveredWhenTimerRan = deliveries_.size();
    timerRan = true;
    timer.Stop();
  });
  react_ = [&](std::uintptr_t wParam) {
    if (wParam != 0) return;
    ASSERT_TRUE(timer.Start(1));
    // Windows' shortest period is 10 ms: the timer is due before the first wake-up ends.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  };
  for (std::uintptr_t i = 0; i < kMessageQueueCapacity; ++i) Post(i);

  ASSERT_TRUE(testsupport::ProcessEventsUntil([&] { return timerRan; }));
#ifdef _WIN32
  EXPECT_EQ(deliveredWhenTimerRan, kMessageQueueCapacity);
#else
  EXPECT_LT(deliveredWhenTimerRan, kMessageQueueCapacity);
#endif
  EXPECT_TRUE(WaitForDeliveries(kMessageQueueCapacity));
}

TEST(MessageWindow, DeallocateDiscardsQueuedMessages) {
  int delivered = 0;
  const HWND window = AllocateHWnd([&](TMessage&) { ++delivered; });
  for (int i = 0; i < 5; ++i) PostMessageA(window, kFirstUserMessage, 0, 0);
  DeallocateHWnd(window);

  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace framework
