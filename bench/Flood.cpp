// bench_flood: the tool's memory while a device floods it with replies. The tool (app::RunProgram:
// its window, log and ports, offscreen) runs on the simulated transport against a device that
// sends 100 ReadyReplies and 100 acknowledgements every 5 ms (a JACK cycle at 256 frames),
// 40,000 replies a second whatever the tool answers, while its side of the output carries one
// long message a millisecond. Resident memory is read every second for 40 s; the figure is its
// growth over the last 20, once the log holds all it keeps, each end the median of three readings
// (the allocator's pools move by a MiB or so either way). Nothing that came in may keep
// anything: not the output's queue, not the log, not what waits for it.

#include <QApplication>

#include <atomic>
#include <chrono>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

#include "bench/support/Figure.h"
#include "bench/support/ResidentMemory.h"
#include "bench/support/Stats.h"
#include "bench/support/ToolRun.h"
#include "firmware/Conversation.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kCycle = 5ms;
constexpr int kRepliesPerCycle = 200;
constexpr auto kOutputPerMessage = 1ms;
constexpr int kSeconds = 40;
constexpr int kMeasuredFrom = 20;
constexpr double kMiB = 1024.0 * 1024.0;

// The device's ports and its flood. The output hook runs on the emulation's sender thread: the
// time it takes is the time the message takes to go out.
class FloodingQlt1 {
 public:
  explicit FloodingQlt1(platform::SimulatedTransport& sim)
      : sim_(sim),
        toolInput_(sim.AddInput(firmware::kDevicePortName)),
        toolOutput_(sim.AddOutput(firmware::kDevicePortName)) {
    // The transport keeps every message sent for tests to read; forgetting each keeps that record
    // from growing, which would hide what the tool itself keeps.
    sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage&) {
      sim_.ClearSent(toolOutput_);
      std::this_thread::sleep_for(kOutputPerMessage);
    });
  }

  // Floods until Stop; any thread but the tool's.
  void Flood() {
    const std::vector<BYTE> ready = firmware::ConversationBytes(firmware::kReadyReply);
    const std::vector<BYTE> acknowledgement = firmware::ConversationBytes(firmware::kBlockAckReply);
    auto next = std::chrono::steady_clock::now();
    while (!stop_.load()) {
      for (int reply = 0; reply < kRepliesPerCycle; ++reply)
        sim_.InjectSysex(toolInput_, reply % 2 == 0 ? ready : acknowledgement);
      replies_ += kRepliesPerCycle;
      next += kCycle;
      std::this_thread::sleep_until(next);
    }
  }

  void Stop() { stop_.store(true); }
  long long Replies() const { return replies_; }

 private:
  platform::SimulatedTransport& sim_;
  platform::SimulatedTransport::DeviceId toolInput_;
  platform::SimulatedTransport::DeviceId toolOutput_;
  std::atomic<bool> stop_{false};
  long long replies_ = 0;  // the flood's thread only, read once it has ended
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto transport = std::make_unique<platform::SimulatedTransport>();
  FloodingQlt1 device(*transport);
  std::vector<double> resident;
  std::thread flood([&] { device.Flood(); });
  std::thread watch([&] {
    for (int second = 0; second <= kSeconds; ++second) {
      resident.push_back(bench::ResidentBytes());
      std::this_thread::sleep_for(1s);
    }
    device.Stop();
    bench::CloseTool();
  });
  bench::RunToolQuietly(std::move(transport));
  watch.join();
  flood.join();

  for (int second = 0; second <= kSeconds; second += 5)
    std::cerr << "bench_flood: " << second << " s: " << resident[second] / kMiB << " MiB resident\n";
  std::cerr << "bench_flood: " << device.Replies() << " replies sent\n";
  std::cout << bench::FormatFigure(
                   {"resident growth under a reply flood, 20 to 40 s (simulated)",
                    (bench::Median({resident.end() - 3, resident.end()}) -
                     bench::Median({resident.begin() + kMeasuredFrom, resident.begin() + kMeasuredFrom + 3})) /
                        kMiB,
                    "MiB",
                    std::nullopt,
                    {bench::Goal::Kind::ValueBelow, 2.0}})
            << std::endl;
  return 0;
}
