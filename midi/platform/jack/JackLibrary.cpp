#include "midi/platform/jack/JackLibrary.h"

namespace platform {

namespace {
void IgnoreJack(const char*) {}
}  // namespace

// The handlers are the process's own, so every client of ours stays quiet.
jack_client_t* OpenJackClient(const std::string& name) {
  jack_set_error_function(&IgnoreJack);
  jack_set_info_function(&IgnoreJack);
  jack_status_t status{};
  return jack_client_open(name.c_str(), JackNoStartServer, &status);
}

}  // namespace platform
