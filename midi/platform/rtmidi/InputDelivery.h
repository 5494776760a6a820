#pragma once

// Hands a message that RtMidi received to the input sink. Runs on RtMidi's input thread (JACK's
// real-time thread for JACK), so it allocates nothing and locks nothing.

#include <vector>

namespace platform {

// RtMidi's input callback; `sink` is the InputSink the port delivers to.
void DeliverToSink(double timeStamp, std::vector<unsigned char>* message, void* sink);

}  // namespace platform
