// bench_input_path: the input path for short messages. The driver callback's own cost per
// message against a bare put into the ring; and messages per second from the simulated
// transport through the callback, the ring, the message window and TakeEvent against a plain
// single-producer/single-consumer copy loop between two threads.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <atomic>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include "bench/support/Figure.h"
#include "firmware/Conversation.h"
#include "framework/MessageWindow.h"
#include "midi/MidiCallback.h"
#include "midi/MidiIn.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace {

constexpr int kDrainEvery = 1024;  // calls between two emptyings of ring and window queue
constexpr int kMessagesPerBatch = 20000;
constexpr int kMessagesInFlight = 512;  // half the tool's ring: the path is measured, not overflow
constexpr DWORD kNoteOn = 0x00403C90;

// The window thread's side of the callback benchmarks: empties what the calls left.
struct CallbackRig {
  CallbackRig() : instance(midi::CreateCallbackInstance()) {
    instance->EventBuffer = midi::CircularBufferCreate(midi::kMaxRingCapacity);
    instance->Window = framework::AllocateHWnd([this](framework::TMessage&) { ++delivered; });
  }
  ~CallbackRig() {
    framework::DeallocateHWnd(instance->Window);
    midi::CircularBufferFree(instance->EventBuffer);
    midi::FreeCallbackInstance(instance);
  }
  void Drain(int posted) {
    while (midi::CircularBufferRemove(instance->EventBuffer)) {
    }
    while (delivered < posted) QCoreApplication::processEvents();
    delivered = 0;
  }
  midi::CallbackInstance* instance;
  int delivered = 0;
};

void DriverCallback(benchmark::State& state) {
  CallbackRig rig;
  const auto instance = reinterpret_cast<DWORD_PTR>(rig.instance);
  int calls = 0;
  for (auto _ : state) {
    midi::MidiDriverCallback(nullptr, MIM_DATA, instance, kNoteOn, static_cast<DWORD_PTR>(calls));
    if (++calls == kDrainEvery) {
      state.PauseTiming();
      rig.Drain(calls);
      calls = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(DriverCallback);

void RingPut(benchmark::State& state) {
  CallbackRig rig;
  const midi::BufferedEvent item{0, kNoteOn, nullptr};
  int calls = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(midi::CircularBufferPut(rig.instance->EventBuffer, item));
    if (++calls == kDrainEvery) {
      state.PauseTiming();
      rig.Drain(0);
      calls = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(RingPut);

}  // namespace

namespace {

// The tool's input port on a simulated device, set up as discovery sets it up, its handler
// taking every waiting event as the session does.
class InputRig {
 public:
  InputRig() {
    auto transport = std::make_unique<platform::SimulatedTransport>();
    sim_ = transport.get();
    previous_ = platform::InstallTransport(std::move(transport));
    device_ = sim_->AddInput(firmware::kDevicePortName);
    port_ = new midi::TMidiInput(&owner_);
    port_->SetCapacity(1024);
    port_->SetSysexBufferCount(4096);
    port_->SetSysexBufferSize(4096);
    port_->OnMidiInput = framework::TNotifyEvent(&owner_, [this](framework::TObject*) { TakeAll(); });
    port_->Open();
    port_->Start();
  }
  ~InputRig() {
    delete port_;
    platform::InstallTransport(std::move(previous_));
  }

  // `count` notes from a thread of their own, never more than kMessagesInFlight ahead of the
  // handler; returns once every one was taken.
  void Pass(long count) {
    const long target = taken_.load() + count;
    std::thread producer([&] {
      for (long sent = target - count; sent < target; ++sent) {
        while (sent - taken_.load(std::memory_order_acquire) >= kMessagesInFlight) std::this_thread::yield();
        sim_->InjectShort(device_, kNoteOn);
      }
    });
    while (taken_.load() < target) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    producer.join();
  }

 private:
  void TakeAll() {
    while (port_->PendingEventCount() > 0)
      if (port_->TakeEvent() != nullptr) taken_.fetch_add(1, std::memory_order_release);
  }

  platform::SimulatedTransport* sim_ = nullptr;
  std::unique_ptr<platform::Transport> previous_;
  platform::SimulatedTransport::DeviceId device_ = 0;
  framework::TComponent owner_{nullptr};
  midi::TMidiInput* port_ = nullptr;
  std::atomic<long> taken_{0};
};

void InputPath(benchmark::State& state) {
  InputRig rig;
  for (auto _ : state) rig.Pass(kMessagesPerBatch);
  state.SetItemsProcessed(state.iterations() * kMessagesPerBatch);
}
BENCHMARK(InputPath)->UseRealTime()->Unit(benchmark::kMillisecond);

// The baseline: the same records copied from one thread to another through a ring of the same
// size, each side spinning while the other catches up.
void SpscCopyLoop(benchmark::State& state) {
  constexpr std::size_t kSlots = 1024;
  std::vector<midi::BufferedEvent> ring(kSlots);
  std::atomic<std::size_t> written{0};
  std::atomic<std::size_t> read{0};
  midi::BufferedEvent copy{};
  for (auto _ : state) {
    const std::size_t start = read.load();
    std::thread producer([&] {
      for (std::size_t n = start; n < start + kMessagesPerBatch; ++n) {
        while (n - read.load(std::memory_order_acquire) >= kSlots) std::this_thread::yield();
        ring[n % kSlots] = {static_cast<DWORD>(n), kNoteOn, nullptr};
        written.store(n + 1, std::memory_order_release);
      }
    });
    for (std::size_t n = start; n < start + kMessagesPerBatch; ++n) {
      while (written.load(std::memory_order_acquire) == n) std::this_thread::yield();
      copy = ring[n % kSlots];
      read.store(n + 1, std::memory_order_release);
    }
    producer.join();
    benchmark::DoNotOptimize(copy);
  }
  state.SetItemsProcessed(state.iterations() * kMessagesPerBatch);
}
BENCHMARK(SpscCopyLoop)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps what the figures need from each run and shows Google Benchmark's own table on stderr.
class FigureReporter : public benchmark::ConsoleReporter {
 public:
  FigureReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto rate = run.counters.find("items_per_second");
      results_[run.benchmark_name()] = rate != run.counters.end() ? double(rate->second) : run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double operator[](const std::string& name) const { return results_.at(name); }

 private:
  std::map<std::string, double> results_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  FigureReporter reporter;
  reporter.SetOutputStream(&std::cerr);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  using bench::Goal;
  std::cout << bench::FormatFigure({"driver callback, per short message",
                                    reporter["DriverCallback"],
                                    "ns",
                                    reporter["RingPut"],
                                    {Goal::Kind::ValueBelow, 100}})
            << '\n'
            << bench::FormatFigure({"input path, short messages (simulated)",
                                    reporter["InputPath/real_time"],
                                    "msgs/s",
                                    reporter["SpscCopyLoop/real_time"],
                                    {Goal::Kind::ValueAtLeast, 104200}})
            << std::endl;
  return 0;
}
