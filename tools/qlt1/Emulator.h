#pragma once

// The QLT-1 emulator running on real MIDI ports: RtMidi virtual ports named like the device, the
// device's side of the conversation, and a report of each step on standard output.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include <rtmidi/RtMidi.h>

#include "tools/qlt1/EmulatorOptions.h"
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
  static void OnMidiIn(double stamp, std::vector<unsigned char>* message, void* emulator);
  void OpenPorts();
  void ClosePorts();
  bool NextMessage(const std::atomic<bool>& stop, Message& message);
  void Handle(const Message& message);
  bool ReportFinish();
  void ReportTiming(std::chrono::steady_clock::time_point finishedAt);

  EmulatorOptions options_;
  Qlt1Model model_;
  std::unique_ptr<RtMidiOut> toTool_;
  std::unique_ptr<RtMidiIn> fromTool_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Message> inbox_;
  bool finished_ = false;
  bool verified_ = false;
  std::chrono::steady_clock::time_point readyAt_{};
};

}  // namespace qlt1
