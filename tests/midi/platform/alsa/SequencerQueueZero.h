#pragma once

// The ALSA sequencer's queue 0, on which RtMidi's output time-stamps what it sends (its connection
// names no queue, so it names queue 0). While that queue exists, the kernel treats every send as
// a scheduled one and drops what the receiver has no room for without telling the sender; without
// it, the refusal reaches RtMidi and the output port tries the send again. Every RtMidi input
// makes a queue, the transport's listing too, so queue 0 normally exists; a test that wants the
// refusals holds queue 0 while the transport makes its queues, and then lets it go.

#include <alsa/asoundlib.h>

namespace testsupport {

class SequencerQueueZero {
 public:
  SequencerQueueZero();
  ~SequencerQueueZero();
  SequencerQueueZero(const SequencerQueueZero&) = delete;
  SequencerQueueZero& operator=(const SequencerQueueZero&) = delete;

  bool Exists();
  // Takes queue 0 for this object; false when another client has it.
  bool Hold();
  void Release();

 private:
  snd_seq_t* client_ = nullptr;
  int queue_ = -1;
};

}  // namespace testsupport
