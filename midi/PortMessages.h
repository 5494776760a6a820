#pragma once

// The port layer's own notices to a port's hidden message window, beside the platform's
// (MIM_DATA for a stored input event, MOM_DONE for a finished output buffer). They are numbered
// from kFirstUserMessage, the range the platform leaves to each window; a window belongs to one port, so
// the two directions' numbers may coincide.

#include <cstdint>

#include "framework/Messages.h"

namespace midi {

// The driver callback to an input port: an event was dropped because the ring was full, or the
// platform lost input. lParam: the dropped System Exclusive buffer, which the port can lend again,
// or 0 for a short message or a loss.
inline constexpr std::uint32_t kRingOverflow = framework::kFirstUserMessage;

// An input port to itself, queued behind what a reset hands back: the end of one opening.
inline constexpr std::uint32_t kOpeningEnded = framework::kFirstUserMessage + 1;

// An output port to itself: it released messages (at its close, or ahead of their completions)
// which are still to be reported.
inline constexpr std::uint32_t kReleasedUnreported = framework::kFirstUserMessage + 1;

}  // namespace midi
