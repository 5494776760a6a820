#include "tests/reliability/FaultCatalogue.h"

#include <map>
#include <utility>

#include "midi/platform/ErrorTexts.h"

namespace reliability {

namespace {

using platform::PlatformCall;

// Read off the emulation: handle checks give INVALHANDLE; header checks INVALPARAM, UNPREPARED
// and STILLPLAYING; opening checks its arguments, the device number and whether the port is taken.
const std::map<PlatformCall, std::vector<MMRESULT>>& Codes() {
  static const std::map<PlatformCall, std::vector<MMRESULT>> codes = {
      {PlatformCall::GlobalAlloc, {MMSYSERR_NOMEM}},
      {PlatformCall::GlobalLock, {MMSYSERR_NOMEM}},
      {PlatformCall::midiInGetNumDevs, {MMSYSERR_ERROR}},
      {PlatformCall::midiOutGetNumDevs, {MMSYSERR_ERROR}},
      {PlatformCall::midiInGetDevCapsA, {MMSYSERR_BADDEVICEID, MMSYSERR_NODRIVER, MMSYSERR_INVALPARAM}},
      {PlatformCall::midiOutGetDevCapsA, {MMSYSERR_BADDEVICEID, MMSYSERR_NODRIVER, MMSYSERR_INVALPARAM}},
      {PlatformCall::midiInOpen,
       {MMSYSERR_ERROR, MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED, MMSYSERR_NODRIVER, MMSYSERR_INVALFLAG,
        MMSYSERR_INVALPARAM}},
      {PlatformCall::midiOutOpen,
       {MMSYSERR_ERROR, MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED, MMSYSERR_NODRIVER, MMSYSERR_INVALFLAG,
        MMSYSERR_INVALPARAM, MIDIERR_NODEVICE}},
      {PlatformCall::midiInPrepareHeader, {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM}},
      {PlatformCall::midiOutPrepareHeader, {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM}},
      {PlatformCall::midiInUnprepareHeader, {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM, MIDIERR_STILLPLAYING}},
      {PlatformCall::midiOutUnprepareHeader, {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM, MIDIERR_STILLPLAYING}},
      {PlatformCall::midiInAddBuffer,
       {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM, MIDIERR_UNPREPARED, MIDIERR_STILLPLAYING}},
      {PlatformCall::midiOutLongMsg,
       {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM, MIDIERR_UNPREPARED, MIDIERR_STILLPLAYING, MIDIERR_NOTREADY}},
      {PlatformCall::midiInStart, {MMSYSERR_INVALHANDLE}},
      {PlatformCall::midiInStop, {MMSYSERR_INVALHANDLE}},
      {PlatformCall::midiInReset, {MMSYSERR_INVALHANDLE}},
      {PlatformCall::midiOutReset, {MMSYSERR_INVALHANDLE}},
      {PlatformCall::midiInClose, {MMSYSERR_INVALHANDLE, MIDIERR_STILLPLAYING}},
      {PlatformCall::midiOutClose, {MMSYSERR_INVALHANDLE, MIDIERR_STILLPLAYING}},
      {PlatformCall::midiOutShortMsg, {MMSYSERR_INVALHANDLE, MIDIERR_NOTREADY}},
      {PlatformCall::midiInGetErrorTextA, {MMSYSERR_INVALPARAM, MMSYSERR_BADERRNUM}},
      {PlatformCall::midiOutGetErrorTextA, {MMSYSERR_INVALPARAM, MMSYSERR_BADERRNUM}},
  };
  return codes;
}

// The output port's own texts for the long-message and header-preparation calls.
std::string OutputText(PlatformCall call, MMRESULT code) {
  static const std::map<std::pair<PlatformCall, MMRESULT>, std::string> fixed = {
      {{PlatformCall::midiOutLongMsg, MMSYSERR_INVALHANDLE}, "(Long Msg) The specified device handle is invalid."},
      {{PlatformCall::midiOutLongMsg, MMSYSERR_INVALPARAM},
       "(Long Msg) The specified pointer or structure is invalid."},
      {{PlatformCall::midiOutLongMsg, MIDIERR_UNPREPARED},
       "(Long Msg) The buffer pointed to by lpMidiOutHdr has not been prepared."},
      {{PlatformCall::midiOutLongMsg, MIDIERR_NOTREADY}, "(Long Msg) The hardware is busy with other data."},
      {{PlatformCall::midiOutPrepareHeader, MMSYSERR_INVALHANDLE},
       "(Prep Header) The specified device handle is invalid."},
      {{PlatformCall::midiOutPrepareHeader, MMSYSERR_INVALPARAM},
       "(Prep Header) The specified address is invalid or the given stream buffer is greater than 64K."},
  };
  const auto found = fixed.find({call, code});
  return found != fixed.end() ? found->second : platform::ErrorTextOf(code);
}

bool FailsWithoutCode(PlatformCall call) {
  return call == PlatformCall::GlobalAlloc || call == PlatformCall::GlobalLock ||
         call == PlatformCall::midiInGetNumDevs || call == PlatformCall::midiOutGetNumDevs;
}

}  // namespace

std::vector<MMRESULT> CodesOf(PlatformCall call) { return Codes().at(call); }

std::string FailureName(PlatformCall call, MMRESULT code) {
  if (call == PlatformCall::GlobalAlloc || call == PlatformCall::GlobalLock) return "no memory";
  if (FailsWithoutCode(call)) return "0 devices";
  return std::to_string(code);
}

std::vector<std::string> DefinedMessages(PlatformCall call, MMRESULT code) {
  // A close waits for a buffer the device has not handed back yet and tries again.
  if (call == PlatformCall::midiInUnprepareHeader && code == MIDIERR_STILLPLAYING) return {};
  switch (call) {
    case PlatformCall::midiInGetNumDevs:
    case PlatformCall::midiOutGetNumDevs:
    case PlatformCall::midiOutOpen:             // Open reports a refusal by its result
    case PlatformCall::midiOutUnprepareHeader:  // the completion ignores its result
      return {};
    case PlatformCall::GlobalAlloc:
    case PlatformCall::GlobalLock:
      return {"Not enough memory for the MIDI input event buffer", "Not enough memory to open the MIDI input device",
              "Not enough memory for the MIDI input buffers",
              OutputText(PlatformCall::midiOutPrepareHeader, MMSYSERR_INVALPARAM)};
    case PlatformCall::midiOutLongMsg:
    case PlatformCall::midiOutPrepareHeader:
      return {OutputText(call, code)};
    default:
      return {platform::ErrorTextOf(code)};
  }
}

std::vector<MMRESULT> TransferCodes() { return {MIDIERR_NODEVICE, MMSYSERR_ERROR}; }

std::string DefinedTransferMessage(MMRESULT code) { return OutputText(PlatformCall::midiOutLongMsg, code); }

}  // namespace reliability
