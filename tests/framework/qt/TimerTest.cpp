// The interval timer: when its period starts, what switching it on and off does, failing ticks,
// and a thread without an event loop.
#include "framework/Timer.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/ExceptionGuard.h"
#include "tests/support/EventLoop.h"

namespace {

using std::chrono::milliseconds;

class TimerTest : public testing::Test {
 protected:
  TimerTest() {
    timer_.SetEnabled(false);
    timer_.SetOnTimer(framework::TNotifyEvent(&timer_, [this](framework::TObject* sender) {
      EXPECT_EQ(sender, &timer_);
      tickTimes_.push_back(clock_.elapsed());
    }));
    clock_.start();
  }

  int Ticks() const { return static_cast<int>(tickTimes_.size()); }
  bool WaitForTicks(int count) {
    return testsupport::ProcessEventsUntil([&] { return Ticks() >= count; }, std::chrono::seconds(5));
  }

  framework::TTimer timer_{nullptr};
  QElapsedTimer clock_;
  std::vector<qint64> tickTimes_;
};

TEST_F(TimerTest, EnablingStartsAFreshPeriodAndTicksOncePerInterval) {
  timer_.SetInterval(120);
  testsupport::ProcessEventsFor(milliseconds(200));
  const qint64 enabledAt = clock_.elapsed();
  timer_.SetEnabled(true);
  ASSERT_TRUE(WaitForTicks(2));
  EXPECT_GE(tickTimes_[0] - enabledAt, 119) << "the first tick comes one whole interval after enabling";
  EXPECT_GE(tickTimes_[1] - tickTimes_[0], 110);
}

TEST_F(TimerTest, EnablingAnEnabledTimerKeepsItsPeriod) {
  timer_.SetInterval(300);
  timer_.SetEnabled(true);
  const qint64 enabledAt = clock_.elapsed();
  testsupport::ProcessEventsFor(milliseconds(200));
  timer_.SetEnabled(true);
  ASSERT_TRUE(WaitForTicks(1));
  EXPECT_LT(tickTimes_[0] - enabledAt, 480) << "a restarted period would have put the tick 500 ms after enabling";
}

TEST_F(TimerTest, DisablingStopsTheTicksAtOnceAndReenablingStartsAgain) {
  timer_.SetInterval(10);
  timer_.SetEnabled(true);
  ASSERT_TRUE(WaitForTicks(2));
  timer_.SetEnabled(false);
  timer_.SetEnabled(false);
  const int ticksWhenDisabled = Ticks();
  testsupport::ProcessEventsFor(milliseconds(100));
  EXPECT_EQ(Ticks(), ticksWhenDisabled);
  EXPECT_FALSE(timer_.Enabled());

  timer_.SetEnabled(true);
  EXPECT_TRUE(WaitForTicks(ticksWhenDisabled + 2));
}

TEST_F(TimerTest, ANewIntervalOnAnEnabledTimerStartsAFreshPeriod) {
  timer_.SetInterval(1000);
  timer_.SetEnabled(true);
  testsupport::ProcessEventsFor(milliseconds(100));
  const qint64 changedAt = clock_.elapsed();
  timer_.SetInterval(150);
  ASSERT_TRUE(WaitForTicks(1));
  EXPECT_GE(tickTimes_[0] - changedAt, 149);
  EXPECT_LT(tickTimes_[0] - changedAt, 900) << "the old period of 1000 ms was left running";
}

TEST_F(TimerTest, AFailingTickLeavesTheTimerEnabledAndTheNextTickComes) {
  std::vector<std::string> escaped;
  const framework::ExceptionHook previous = framework::SetExceptionHook([&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const framework::Exception& e) {
      escaped.push_back(e.Message());
    }
  });
  timer_.SetInterval(5);
  timer_.SetOnTimer(framework::TNotifyEvent(&timer_, [this](framework::TObject*) {
    tickTimes_.push_back(clock_.elapsed());
    throw framework::Exception("Invalid device ID");
  }));
  timer_.SetEnabled(true);
  const bool ticked = WaitForTicks(3);
  framework::SetExceptionHook(previous);

  ASSERT_TRUE(ticked);
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(timer_.Interval(), 5u);
  ASSERT_GE(escaped.size(), 3u);
  EXPECT_EQ(escaped[0], "Invalid device ID");
}

// A thread of its own without a Qt event loop: no tick could ever be delivered there, so any
// period the timer asks for is refused.
framework::TNotifyEvent NoTicks(framework::TTimer& timer) {
  return framework::TNotifyEvent(&timer, [](framework::TObject*) {});
}

TEST(TimerWithoutEventLoop, AnEnabledTimerGivenItsHandlerCannotBeHadAndSaysSo) {
  std::string message;
  std::thread([&] {
    framework::TTimer timer(nullptr);
    try {
      timer.SetOnTimer(NoTicks(timer));
    } catch (const framework::EOutOfResources& e) {
      message = e.Message();
    }
  }).join();
  EXPECT_EQ(message, "Not enough timers available");
}

// As the layout builds its ProgramTimer: switched off, then given its interval and handler. It
// asks for no period until it is switched on; that raises to the caller and leaves it off.
TEST(TimerWithoutEventLoop, ATimerSwitchedOffBeforeItsHandlerIsBoundAsksForNothingUntilSwitchedOn) {
  bool built = false;
  std::string message;
  bool enabledAfterwards = true;
  std::thread([&] {
    try {
      framework::TTimer timer(nullptr);
      timer.SetEnabled(false);
      timer.SetInterval(250);
      timer.SetOnTimer(NoTicks(timer));
      built = true;
      try {
        timer.SetEnabled(true);
      } catch (const framework::EOutOfResources& e) {
        message = e.Message();
      }
      enabledAfterwards = timer.Enabled();
    } catch (const framework::EOutOfResources&) {
    }
  }).join();
  EXPECT_TRUE(built) << "building the timer asked for a period";
  EXPECT_EQ(message, "Not enough timers available");
  EXPECT_FALSE(enabledAfterwards);
}

// The timer is made here and switched on there, where it cannot run: the switch fails and the
// timer stays off. (It is only stopped there, which a stopped timer allows from any thread.)
TEST(TimerWithoutEventLoop, SwitchingOnRaisesAndLeavesTheTimerOff) {
  framework::TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetOnTimer(NoTicks(timer));
  std::string message;
  std::thread([&] {
    try {
      timer.SetEnabled(true);
    } catch (const framework::EOutOfResources& e) {
      message = e.Message();
    }
  }).join();
  EXPECT_EQ(message, "Not enough timers available");
  EXPECT_FALSE(timer.Enabled());
}

}  // namespace
