#pragma once

// Which way a port carries MIDI, as the program sees it: an input delivers to us, an output takes
// what we send. Every transport names its ports' directions with this.

namespace platform {

enum class Direction { Input, Output };

}  // namespace platform
