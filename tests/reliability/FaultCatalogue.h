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

// The results a transport gives for a long message it could not deliver after midiOutLongMsg had
// returned: the destination went away, or the receiver stayed full.
std::vector<MMRESULT> TransferCodes();

// What the tool shows for such a failure: the error the send itself would have raised.
std::string DefinedTransferMessage(MMRESULT code);

}  // namespace reliability
