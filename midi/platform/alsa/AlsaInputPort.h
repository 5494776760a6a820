#pragma once

// An open input port of the ALSA sequencer, on a sequencer client of our own rather than
// RtMidi's: the sequencer drops whatever arrives for a client whose input pool is full, and
// RtMidi keeps the default pool of 200 events, prints to standard error when it overruns, and
// allocates for every message. This client asks for the largest pool the sequencer grants, reads
// on a thread of its own that allocates nothing, and hands what it receives, as it was on the
// wire, through a WireSplitter to the sink. Destroying it stops that thread first, so the sink
// hears nothing more.
//
// Only the device is believed. Our port takes no subscription but the one our own client makes
// from the device's port: without SUBS_WRITE the kernel refuses any other client's subscription to
// it, for that client's own port or between others' (NO_EXPORT refuses the latter too, should the
// capabilities ever change). A client may still send to our port's address directly (delivery
// needs only WRITE, which our own subscription needs as well), so the reader ignores every event
// whose source is not the device's port; the kernel fills in the sending client itself, so no
// client can pass for another. An overrun, in which the sequencer dropped events for us, is
// reported to the sink as a loss.

#include <alsa/asoundlib.h>

#include <memory>
#include <string>
#include <thread>

#include "midi/platform/Transport.h"
#include "midi/platform/WireSplitter.h"

namespace platform {

class AlsaInputPort final : public InputConnection {
 public:
  // `portName` as the listing gives it ("client:port C:P"). Null, with `result` set, when the
  // port is gone or cannot be opened.
  static std::unique_ptr<AlsaInputPort> Open(const std::string& clientName, const std::string& portName,
                                             InputSink& sink, MMRESULT& result);
  ~AlsaInputPort() override;
  AlsaInputPort(const AlsaInputPort&) = delete;
  AlsaInputPort& operator=(const AlsaInputPort&) = delete;

 private:
  explicit AlsaInputPort(InputSink& sink) : sink_(sink), splitter_(sink) {}
  MMRESULT Connect(const std::string& clientName, const std::string& portName);
  void Read();
  void Deliver(const snd_seq_event_t& event);

  InputSink& sink_;
  WireSplitter splitter_;  // the reading thread only
  snd_seq_addr_t device_{};
  snd_seq_t* sequencer_ = nullptr;
  snd_midi_event_t* decoder_ = nullptr;
  int stopFd_ = -1;  // an eventfd: written once to end the reading thread's wait
  std::thread reader_;
};

}  // namespace platform
