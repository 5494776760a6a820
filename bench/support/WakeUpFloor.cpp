#include "bench/support/WakeUpFloor.h"

#include <QEventLoop>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/MessageWindow.h"
#include "framework/WakeUp.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
// Long enough for the window thread to be asleep again when the next post comes.
constexpr auto kPause = std::chrono::microseconds(100);

}  // namespace

std::vector<double> MeasureWakeUps(std::size_t count) {
  std::vector<double> samples;
  samples.reserve(count);
  std::atomic<Clock::rep> postedAt{0};
  framework::WakeUp handled;
  QEventLoop loop;
  framework::HWND window = framework::AllocateHWnd([&](framework::TMessage&) {
    const Clock::duration elapsed = Clock::now().time_since_epoch() - Clock::duration(postedAt.load());
    samples.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    handled.Request();
    if (samples.size() == count) loop.quit();
  });
  std::thread poster([&] {
    for (std::size_t i = 0; i < count; ++i) {
      std::this_thread::sleep_for(kPause);
      postedAt.store(Clock::now().time_since_epoch().count());
      framework::PostMessageA(window, framework::kFirstUserMessage, 0, 0);
      handled.Wait();
    }
  });
  loop.exec();
  poster.join();
  framework::DeallocateHWnd(window);
  return samples;
}

}  // namespace bench
