#pragma once

// The device's ports on the ALSA sequencer, as RtMidi virtual ports. RtMidi's input thread queues
// each message for the emulator's loop. A reply the sequencer cannot take yet (its pool is full,
// as while a flood goes out) is tried again until it is taken: a dropped reply would stall the
// conversation, which a real device's would not.

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
  // About 107 short messages: the ALSA sequencer holds 200 events for a client by default and
  // drops what arrives beyond them.
  std::size_t BurstBytes() const override { return 2048; }

 private:
  static void OnMidiIn(double stamp, std::vector<unsigned char>* message, void* ports);
  static void OnSendError(RtMidiError::Type type, const std::string& text, void* refused);

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Message> inbox_;
  bool sendRefused_ = false;  // set by RtMidi's error callback, on the sending thread
  RtMidiOut toTool_;
  RtMidiIn fromTool_;
};

}  // namespace qlt1
