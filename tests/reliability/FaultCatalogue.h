#pragma once

// For each platform call: the failures the emulation can give for it, and what the tool must show
// when one of them happens. Where the emulation reports failure without a code (an allocation, a
// device count), the fault injector's code only makes the call fail.

#include <string>
#include <vector>

#include "midi/platform/FaultInjector.h"

namespace reliability {

// The result codes the emulation returns for `call` on its own paths; one code for calls whose
// failure has none.
std::vector<MMRESULT> CodesOf(platform::PlatformCall call);

// How a failure of the call shows: "0 devices", "no memory" or the code's name.
std::string FailureName(platform::PlatformCall call, MMRESULT code);

// The messages the tool may show for it (the platform's text, or the output port's fixed text for
// the call); empty when the failure is defined to show nothing.
std::vector<std::string> DefinedMessages(platform::PlatformCall call, MMRESULT code);

}  // namespace reliability
