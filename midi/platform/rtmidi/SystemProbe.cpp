#include "midi/platform/rtmidi/SystemProbe.h"

#include <alsa/asoundlib.h>

namespace platform {

namespace {

void IgnoreAlsa(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJack(const char*) {}

}  // namespace

bool AlsaSequencerAnswers() {
  snd_lib_error_set_handler(&IgnoreAlsa);
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return false;
  snd_seq_close(sequencer);
  return true;
}

// The handlers are the process's own: RtMidi's JACK clients stay quiet too.
jack_client_t* OpenJackClient(const std::string& name) {
  jack_set_error_function(&IgnoreJack);
  jack_set_info_function(&IgnoreJack);
  jack_status_t status{};
  return jack_client_open(name.c_str(), JackNoStartServer, &status);
}

}  // namespace platform
