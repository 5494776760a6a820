// bench_memory: the tool's memory over many updates on the simulated transport. Resident memory
// while it waits, what connecting adds (the lent System Exclusive buffers, 4096 of 4096 bytes,
// shown apart), the peak, and how the heap grows from update to update against what the log's
// own lines take in a log view alone: nothing but the log may grow with the blocks or updates.
#include <malloc.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <chrono>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/PacedLog.h"
#include "app/qt/LogView.h"
#include "bench/support/Figure.h"
#include "bench/support/LoopingQlt1.h"
#include "bench/support/ResidentMemory.h"
#include "bench/support/ToolRun.h"
#include "firmware/FirmwareImage.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace {

constexpr int kUpdates = 40;
constexpr int kWarmUpdates = 5;  // caches and pools settle in these
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kLentBuffers = 4096.0 * 4096.0;

double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

double PeakResident() {
  std::ifstream status("/proc/self/status");
  for (std::string field; status >> field;) {
    double kib = 0;
    if (field == "VmHWM:" && status >> kib) return kib * 1024.0;
  }
  return 0;
}

// What the log holds after one update.
std::vector<std::string> LinesOfOneUpdate() {
  std::vector<std::string> lines{">Communications Established", ">Programming"};
  for (std::size_t block = 0; block < firmware::kBlockCount; ++block)
    if (block == 0 || firmware::FirmwareImage().BlockFlags[block] == 1)
      lines.push_back(">Block " + std::to_string(block));
  lines.push_back(">New Software Successfully Loaded");
  lines.push_back(">Finished");
  return lines;
}

// Heap growth per update of a log view alone that gets the same lines, as the tool's does.
double LogGrowthPerUpdate() {
  QWidget window;
  QPlainTextEdit view(&window);
  window.show();
  app::PacedLog log([&view](const std::string& lines) { app::AppendLogLine(view, QString::fromStdString(lines)); });
  const std::vector<std::string> lines = LinesOfOneUpdate();
  double warm = 0;
  for (int update = 1; update <= kUpdates; ++update) {
    for (const std::string& line : lines) log.Write(line);
    log.Flush();
    QCoreApplication::processEvents();
    if (update == kWarmUpdates) warm = HeapInUse();
  }
  return (HeapInUse() - warm) / (kUpdates - kWarmUpdates);
}

void Report(const char* name, double value, const char* unit, std::optional<double> baseline, bench::Goal goal) {
  std::cout << bench::FormatFigure({name, value, unit, baseline, goal}) << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto transport = std::make_unique<platform::SimulatedTransport>();
  platform::SimulatedTransport& sim = *transport;
  std::vector<double> heapAtFinish;
  std::vector<double> residentAtFinish;
  heapAtFinish.reserve(kUpdates);
  residentAtFinish.reserve(kUpdates);
  const auto onFinish = [&](int updates) {
    heapAtFinish.push_back(HeapInUse());
    residentAtFinish.push_back(bench::ResidentBytes());
    if (updates == kUpdates) bench::CloseTool();
    return updates < kUpdates;
  };
  double idle = 0;
  std::optional<bench::LoopingQlt1> device;
  std::thread switchOn([&] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    idle = bench::ResidentBytes();
    device.emplace(sim, onFinish);
  });
  bench::RunToolQuietly(std::move(transport));
  switchOn.join();
  if (heapAtFinish.size() < kUpdates) return 1;

  const double growth = (heapAtFinish.back() - heapAtFinish[kWarmUpdates - 1]) / (kUpdates - kWarmUpdates);
  Report("resident while waiting (simulated)", idle / kMiB, "MiB", std::nullopt, {});
  Report("resident added by connecting, against the lent buffers", (residentAtFinish.front() - idle) / kMiB, "MiB",
         kLentBuffers / kMiB, {});
  Report("peak resident over 40 updates (simulated)", PeakResident() / kMiB, "MiB", std::nullopt, {});
  Report("heap growth per update, against the log's own", growth / 1024, "KiB", LogGrowthPerUpdate() / 1024,
         {bench::Goal::Kind::RatioAtMost, 1.10});
  return 0;
}
