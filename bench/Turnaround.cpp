// bench_turnaround: how long the tool takes to answer an acknowledgement with the next block, on
// the simulated transport: from the BlockAckReply entering MidiDriverCallback to the next block's
// midiOutLongMsg returning, over many updates in a row. The link wraps both functions to take
// the times. The floor is one wake-up of the window thread, measured alone in the same run.
#include <QApplication>

#include <atomic>
#include <chrono>
#include <iostream>
#include <vector>

#include "bench/support/Figure.h"
#include "bench/support/LoopingQlt1.h"
#include "bench/support/Stats.h"
#include "bench/support/ToolRun.h"
#include "bench/support/WakeUpFloor.h"
#include "firmware/TableLayout.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kAcknowledgements = 10000;
constexpr std::size_t kKindIndex = 6;
constexpr char kBlockAck = 0x01;

std::atomic<Clock::rep> ackEnteredAt{0};  // 0: no acknowledgement waits for its block
std::vector<double> turnarounds;          // window thread

bool IsAcknowledgement(UINT message, DWORD_PTR param1) {
  if (message != MIM_LONGDATA) return false;
  const auto& header = *reinterpret_cast<const MIDIHDR*>(param1);
  return header.dwBytesRecorded == 8 && header.lpData[kKindIndex] == kBlockAck;
}

void Report(const char* name, double value, double floor, bench::Goal goal) {
  std::cout << bench::FormatFigure({name, value, "us", floor, goal}) << std::endl;
}

}  // namespace

extern "C" {
void __real__ZN4midi18MidiDriverCallbackEPvjmmm(void*, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
MMRESULT __real__Z14midiOutLongMsgP10HMIDIOUT__P7MIDIHDRj(HMIDIOUT, LPMIDIHDR, UINT);

void __wrap__ZN4midi18MidiDriverCallbackEPvjmmm(void* device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                                DWORD_PTR param2) {
  if (IsAcknowledgement(message, param1)) ackEnteredAt.store(Clock::now().time_since_epoch().count());
  __real__ZN4midi18MidiDriverCallbackEPvjmmm(device, message, instance, param1, param2);
}

// The acknowledgement is taken before the call: a device that answers at once may acknowledge
// this very block before the call has returned.
MMRESULT __wrap__Z14midiOutLongMsgP10HMIDIOUT__P7MIDIHDRj(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize) {
  const Clock::rep entered = ackEnteredAt.exchange(0);
  const MMRESULT result = __real__Z14midiOutLongMsgP10HMIDIOUT__P7MIDIHDRj(handle, header, headerSize);
  if (entered == 0 || header->dwBufferLength != firmware::kBlockLength) return result;
  const Clock::duration elapsed = Clock::now().time_since_epoch() - Clock::duration(entered);
  turnarounds.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
  if (turnarounds.size() == kAcknowledgements) bench::CloseTool();
  return result;
}
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const std::vector<double> floor = bench::MeasureWakeUps(kAcknowledgements);

  turnarounds.reserve(kAcknowledgements);
  auto transport = std::make_unique<platform::SimulatedTransport>();
  const bench::LoopingQlt1 device(*transport, [](int) { return true; });
  bench::RunToolQuietly(std::move(transport));

  Report("block turnaround, median (simulated)", bench::Median(turnarounds), bench::Median(floor),
         {bench::Goal::Kind::RatioAtMost, 3});
  Report("block turnaround, 99th percentile (simulated)", bench::Quantile(turnarounds, 0.99),
         bench::Quantile(floor, 0.99), {bench::Goal::Kind::ValueBelow, 1000});
  return turnarounds.size() >= kAcknowledgements ? 0 : 1;
}
