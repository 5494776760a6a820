#pragma once

// Takes what an input port received as it was on the wire, in pieces of any size, and hands the
// sink its messages: short messages whole, System Exclusive in parts. A System Exclusive message
// may go on in the next piece (the ALSA sequencer carries a long one in several events, and a
// JACK sender may split one over several too); it ends at its end byte or, cut short, at the next
// status byte that is not real-time. A real-time byte inside it goes out on its own, ahead of the
// message, as the platform delivers it. One thread at a time; allocates nothing and locks
// nothing, so it runs on a driver thread.

#include <span>

#include "midi/platform/Transport.h"

namespace platform {

class WireSplitter {
 public:
  explicit WireSplitter(InputSink& sink) : sink_(sink) {}

  void Feed(std::span<const BYTE> bytes) noexcept;

 private:
  std::span<const BYTE> FeedShort(std::span<const BYTE> bytes) noexcept;
  std::span<const BYTE> FeedSysex(std::span<const BYTE> bytes, std::size_t from) noexcept;

  InputSink& sink_;
  bool inSysex_ = false;
};

}  // namespace platform
