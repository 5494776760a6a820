#include "midi/platform/alsa/SystemProbe.h"

#include <alsa/asoundlib.h>

namespace platform {

namespace {

void IgnoreAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

bool AlsaSequencerAnswers() {
  snd_lib_error_set_handler(&IgnoreAlsa);
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return false;
  snd_seq_close(sequencer);
  return true;
}

}  // namespace platform
