#pragma once

// The QLT-1 emulator running on real MIDI ports: ports of its own named like the device's
// (DevicePorts, on JACK or ALSA), the one device model answering on them, and a report of each
// step. The qlt1-emulator program runs it; the tests run it in their own process too.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tools/qlt1/DevicePorts.h"
#include "tools/qlt1/EmulatorOptions.h"
#include "tools/qlt1/Qlt1Device.h"

namespace qlt1 {

class Emulator : public Qlt1Device {
 public:
  // Gets each step's line: "block 3", "ready", "finish after 69 blocks: image verified" ...
  using Report = std::function<void(const std::string& line)>;

  Emulator(EmulatorOptions options, Report report);
  ~Emulator();

  // Opens the ports at once, which Run otherwise does after appearAfterMs. Throws
  // std::runtime_error when the system cannot make them.
  void OpenPorts();
  // Runs until `stop` is set, or after the first finish with exitAfterFinish; gives the exit
  // status.
  int Run(const std::atomic<bool>& stop);
  // Switched off and on again at the loop's next turn; any thread.
  void Restart() { restartRequested_ = true; }

 private:
  bool Appear(const std::atomic<bool>& stop);
  std::optional<Message> Next();
  void Handle(const Message& message);
  void Act(const Outcome& outcome, std::chrono::steady_clock::time_point arrivedAt);
  bool ReportFinish();
  void ReportTiming(std::chrono::steady_clock::time_point finishedAt);
  void SendAtTheDevicesRate(const Message& event);

  EmulatorOptions options_;
  Report report_;
  std::atomic<bool> restartRequested_{false};
  std::size_t burstBytes_ = 0;          // sent since the last pause
  std::unique_ptr<DevicePorts> ports_;  // none before they appear and after they vanished
  bool finished_ = false;
  bool verified_ = false;
  std::chrono::steady_clock::time_point readyAt_{};
};

}  // namespace qlt1
