#include "midi/platform/ErrorTexts.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace platform {

namespace {

struct CodeText {
  MMRESULT code;
  const char* text;
};

constexpr CodeText kTexts[] = {
    {MMSYSERR_NOERROR, "The operation completed successfully."},
    {MMSYSERR_ERROR, "An unspecified error occurred in the MIDI system."},
    {MMSYSERR_BADDEVICEID, "The MIDI device number is out of range."},
    {MMSYSERR_NOTENABLED, "The MIDI driver failed to start."},
    {MMSYSERR_ALLOCATED, "The MIDI device is already in use by another program."},
    {MMSYSERR_INVALHANDLE, "The MIDI device handle is invalid."},
    {MMSYSERR_NODRIVER, "No MIDI system is available."},
    {MMSYSERR_NOMEM, "Not enough memory is available for the MIDI operation."},
    {MMSYSERR_NOTSUPPORTED, "The MIDI device does not support this operation."},
    {MMSYSERR_BADERRNUM, "The error number is out of range."},
    {MMSYSERR_INVALFLAG, "An invalid flag was passed to the MIDI system."},
    {MMSYSERR_INVALPARAM, "An invalid parameter was passed to the MIDI system."},
    {MIDIERR_UNPREPARED, "The MIDI buffer has not been prepared."},
    {MIDIERR_STILLPLAYING, "MIDI buffers are still queued on the device."},
    {MIDIERR_NOMAP, "There is no MIDI map."},
    {MIDIERR_NOTREADY, "The MIDI device is busy with other data."},
    {MIDIERR_NODEVICE, "The MIDI device is no longer present."},
    {MIDIERR_INVALIDSETUP, "The MIDI setup is invalid."},
    {MIDIERR_BADOPENMODE, "The MIDI operation is not allowed in this open mode."},
};

}  // namespace

const char* ErrorTextOf(MMRESULT code) {
  const auto* entry = std::find_if(std::begin(kTexts), std::end(kTexts),
                                   [code](const CodeText& candidate) { return candidate.code == code; });
  return entry != std::end(kTexts) ? entry->text : nullptr;
}

MMRESULT CopyErrorText(MMRESULT code, LPSTR text, UINT textSize) {
  if (text == nullptr || textSize == 0) return MMSYSERR_INVALPARAM;
  const char* source = ErrorTextOf(code);
  if (source == nullptr) return MMSYSERR_BADERRNUM;
  const std::size_t length = std::min<std::size_t>(std::strlen(source), textSize - 1);
  std::memcpy(text, source, length);
  text[length] = '\0';
  return MMSYSERR_NOERROR;
}

}  // namespace platform
