#pragma once

// The QLT-1 emulator running on real MIDI ports: ports of its own named like the device's, the
// device's side of the conversation, and a report of each step on standard output.

#include <atomic>
#include <chrono>
#include <memory>

#include "tools/qlt1/DevicePorts.h"
#include "tools/qlt1/EmulatorOptions.h"
#include "tools/qlt1/Misbehaviour.h"
#include "tools/qlt1/Qlt1Model.h"

namespace qlt1 {

class Emulator {
 public:
  explicit Emulator(EmulatorOptions options);
  ~Emulator();

  // Runs until `stop` is set, or after the first finish with exitAfterFinish; gives the exit
  // status.
  int Run(const std::atomic<bool>& stop);

 private:
  void OpenPorts();
  bool NextMessage(const std::atomic<bool>& stop, Message& message);
  void Handle(const Message& message);
  bool ReportFinish();
  void ReportTiming(std::chrono::steady_clock::time_point finishedAt);
  void Answer(const std::vector<Message>& replies);
  void SendAtTheDevicesRate(const Message& event);

  EmulatorOptions options_;
  Qlt1Model model_;
  Misbehaviour misbehaviour_;
  std::size_t burstBytes_ = 0;          // sent since the last pause
  std::unique_ptr<DevicePorts> ports_;  // none before they appear and after they vanished
  bool finished_ = false;
  bool verified_ = false;
  std::chrono::steady_clock::time_point readyAt_{};
};

}  // namespace qlt1
