#pragma once

// Our way into libjack: every client of ours is opened here, with the library's own messages
// silenced (it prints to stderr on every failed attempt, which a poll for a server that is not
// running would repeat every few seconds) and without ever starting a server.

#include <jack/jack.h>

#include <string>

namespace platform {

// A client of the running JACK server (the one JACK_DEFAULT_SERVER names, if set), or null when
// none answers. The name may be made unique by the server (numbered variants of it).
jack_client_t* OpenJackClient(const std::string& name);

}  // namespace platform
