#include "midi/platform/PortCaps.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// The room for a name in Windows' own records, less the NUL.
constexpr std::size_t kWindowsNameLength = 31;

// Names longer than the record holds are cut, always leaving the terminating NUL.
void CopyName(const std::string& name, char (&destination)[MAXPNAMELEN]) {
  const std::size_t room = CurrentWindowsBehaviour().namesCutTo31Characters ? kWindowsNameLength : MAXPNAMELEN - 1;
  const std::size_t length = std::min(name.size(), room);
  std::memcpy(destination, name.data(), length);
  destination[length] = '\0';
}

}  // namespace

MIDIINCAPSA InputCapsOf(const PortInfo& info) {
  MIDIINCAPSA caps{};
  caps.wMid = info.manufacturerId;
  caps.wPid = info.productId;
  caps.vDriverVersion = info.driverVersion;
  CopyName(info.name, caps.szPname);
  return caps;
}

MIDIOUTCAPSA OutputCapsOf(const PortInfo& info, WORD technology) {
  MIDIOUTCAPSA caps{};
  caps.wMid = info.manufacturerId;
  caps.wPid = info.productId;
  caps.vDriverVersion = info.driverVersion;
  CopyName(info.name, caps.szPname);
  caps.wTechnology = technology;
  caps.wChannelMask = 0xFFFF;
  return caps;
}

MMRESULT CheckCallbackKind(DWORD flags) {
  const DWORD kind = flags & CALLBACK_TYPEMASK;
  if (kind == CALLBACK_FUNCTION || kind == CALLBACK_NULL) return MMSYSERR_NOERROR;
  return MMSYSERR_INVALFLAG;
}

MIDICALLBACK CallbackOf(DWORD_PTR callback, DWORD flags) {
  if ((flags & CALLBACK_TYPEMASK) != CALLBACK_FUNCTION) return nullptr;
  return reinterpret_cast<MIDICALLBACK>(callback);
}

}  // namespace platform
