// bench_turnaround: how long the tool takes to answer an acknowledgement with the next block, on
// the simulated transport: from the BlockAckReply entering MidiDriverCallback to the next block's
// midiOutLongMsg returning, over many updates in a row. The platform layer's call observer takes
// the times at both. The floor is one wake-up of the window thread, measured alone in the same run.
#include <QApplication>

#include <atomic>
#include <chrono>
#include <iostream>
#include <vector>

#include "bench/support/Figure.h"
#include "bench/support/Stats.h"
#include "bench/support/ToolRun.h"
#include "bench/support/WakeUpFloor.h"
#include "firmware/TableLayout.h"
#include "midi/platform/CallObserver.h"
#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/support/SimulatedQlt1.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kAcknowledgements = 10000;
constexpr std::size_t kKindIndex = 6;
constexpr char kBlockAck = 0x01;

bool IsAcknowledgement(UINT message, DWORD_PTR param1) {
  if (message != MIM_LONGDATA) return false;
  const auto& header = *reinterpret_cast<const MIDIHDR*>(param1);
  return header.dwBytesRecorded == 8 && header.lpData[kKindIndex] == kBlockAck;
}

void Report(const char* name, double value, double floor, bench::Goal goal) {
  std::cout << bench::FormatFigure({name, value, "us", floor, goal}) << std::endl;
}

// Times each acknowledgement from the moment it enters MidiDriverCallback to the return of the
// midiOutLongMsg that sends the next block.
class TurnaroundClock final : public platform::CallObserver {
 public:
  TurnaroundClock() { turnarounds_.reserve(kAcknowledgements); }
  const std::vector<double>& Turnarounds() const { return turnarounds_; }

  void InputCallbackCalled(UINT message, DWORD_PTR param1) noexcept override {
    if (IsAcknowledgement(message, param1)) ackEnteredAt_.store(Clock::now().time_since_epoch().count());
  }

  // The acknowledgement is taken before the call: a device that answers at once may acknowledge
  // this very block before the call has returned.
  void LongMsgEntered(const MIDIHDR*) noexcept override { ackBeforeSend_ = ackEnteredAt_.exchange(0); }

  void LongMsgReturning(const MIDIHDR* header, MMRESULT) noexcept override {
    if (ackBeforeSend_ == 0 || header->dwBufferLength != firmware::kBlockLength) return;
    const Clock::duration elapsed = Clock::now().time_since_epoch() - Clock::duration(ackBeforeSend_);
    turnarounds_.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    if (turnarounds_.size() == kAcknowledgements) bench::CloseTool();
  }

 private:
  std::atomic<Clock::rep> ackEnteredAt_{0};  // 0: no acknowledgement waits for its block
  Clock::rep ackBeforeSend_ = 0;             // window thread
  std::vector<double> turnarounds_;          // window thread
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const std::vector<double> floor = bench::MeasureWakeUps(kAcknowledgements);

  TurnaroundClock clock;
  platform::ObserveCalls(&clock);
  // Installed for the whole program rather than the run: the device leaves the transport when it goes.
  auto transport = std::make_unique<platform::SimulatedTransport>();
  const testsupport::SimulatedQlt1 device(*transport, {}, firmware::kDevicePortName, [](int) { return true; });
  const std::unique_ptr<platform::Transport> replaced = platform::InstallTransport(std::move(transport));
  bench::RunToolQuietly(nullptr);
  platform::ObserveCalls(nullptr);
  const std::vector<double>& turnarounds = clock.Turnarounds();

  Report("block turnaround, median (simulated)", bench::Median(turnarounds), bench::Median(floor),
         {bench::Goal::Kind::RatioAtMost, 3});
  Report("block turnaround, 99th percentile (simulated)", bench::Quantile(turnarounds, 0.99),
         bench::Quantile(floor, 0.99), {bench::Goal::Kind::ValueBelow, 1000});
  return turnarounds.size() >= kAcknowledgements ? 0 : 1;
}
