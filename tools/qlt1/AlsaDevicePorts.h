#pragma once

// The device's ports on the ALSA sequencer, as RtMidi virtual ports. RtMidi's input thread queues
// each message for the emulator's loop.

#include <rtmidi/RtMidi.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "tools/qlt1/DevicePorts.h"

namespace qlt1 {

class AlsaDevicePorts final : public DevicePorts {
 public:
  explicit AlsaDevicePorts(const std::string& portName);
  ~AlsaDevicePorts() override;

  std::optional<Message> Next(std::chrono::milliseconds timeout) override;
  void Send(const Message& message) override;

 private:
  static void OnMidiIn(double stamp, std::vector<unsigned char>* message, void* ports);

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Message> inbox_;
  RtMidiOut toTool_;
  RtMidiIn fromTool_;
};

}  // namespace qlt1
