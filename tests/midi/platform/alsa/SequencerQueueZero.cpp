#include "tests/midi/platform/alsa/SequencerQueueZero.h"

#include <stdexcept>

namespace testsupport {

SequencerQueueZero::SequencerQueueZero() {
  if (snd_seq_open(&client_, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0)
    throw std::runtime_error("cannot open the ALSA sequencer to look at its queues");
}

SequencerQueueZero::~SequencerQueueZero() {
  Release();
  snd_seq_close(client_);
}

bool SequencerQueueZero::Exists() {
  snd_seq_queue_info_t* info = nullptr;
  snd_seq_queue_info_alloca(&info);
  return snd_seq_get_queue_info(client_, 0, info) == 0;
}

// The sequencer gives a new queue the lowest number that is free.
bool SequencerQueueZero::Hold() {
  if (queue_ == 0) return true;
  if (Exists()) return false;
  queue_ = snd_seq_alloc_queue(client_);
  if (queue_ == 0) return true;
  Release();
  return false;
}

void SequencerQueueZero::Release() {
  if (queue_ >= 0) snd_seq_free_queue(client_, queue_);
  queue_ = -1;
}

}  // namespace testsupport
