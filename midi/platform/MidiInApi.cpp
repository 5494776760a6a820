// The platform's MIDI input functions over the installed transport.
#include <algorithm>
#include <climits>
#include <cstring>

#include "midi/platform/DeviceRegistry.h"
#include "midi/platform/EmulationFaults.h"
#include "midi/platform/ErrorTexts.h"
#include "midi/platform/HeaderFlags.h"
#include "midi/platform/InputDevice.h"
#include "midi/platform/PortCaps.h"

using platform::CheckFault;
using platform::InputDevice;
using platform::PlatformCall;

namespace {

platform::DeviceRegistry<InputDevice>& OpenInputs() {
  static platform::DeviceRegistry<InputDevice> inputs;
  return inputs;
}

}  // namespace

UINT midiInGetNumDevs() {
  platform::Transport* transport = platform::CurrentTransport();
  if (transport == nullptr || CheckFault(PlatformCall::midiInGetNumDevs) != MMSYSERR_NOERROR) return 0;
  return transport->InputCount();
}

MMRESULT midiInGetDevCapsA(UINT_PTR deviceId, MIDIINCAPSA* caps, UINT capsSize) {
  if (const MMRESULT fault = CheckFault(PlatformCall::midiInGetDevCapsA); fault != MMSYSERR_NOERROR) return fault;
  if (caps == nullptr) return MMSYSERR_INVALPARAM;
  platform::PortInfo info;
  platform::Transport* transport = platform::CurrentTransport();
  if (transport == nullptr) return MMSYSERR_NODRIVER;
  if (deviceId > UINT_MAX || !transport->InputInfo(static_cast<UINT>(deviceId), info)) return MMSYSERR_BADDEVICEID;
  const MIDIINCAPSA filled = platform::InputCapsOf(info);
  std::memcpy(caps, &filled, std::min<std::size_t>(capsSize, sizeof filled));
  return MMSYSERR_NOERROR;
}

MMRESULT midiInGetErrorTextA(MMRESULT code, LPSTR text, UINT textSize) {
  if (const MMRESULT fault = CheckFault(PlatformCall::midiInGetErrorTextA); fault != MMSYSERR_NOERROR) return fault;
  return platform::CopyErrorText(code, text, textSize);
}

MMRESULT midiInOpen(LPHMIDIIN handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  if (const MMRESULT fault = CheckFault(PlatformCall::midiInOpen); fault != MMSYSERR_NOERROR) return fault;
  if (handle == nullptr) return MMSYSERR_INVALPARAM;
  const MMRESULT kind = platform::CheckCallbackKind(flags);
  if (kind != MMSYSERR_NOERROR) return kind;
  platform::Transport* transport = platform::CurrentTransport();
  if (transport == nullptr) return MMSYSERR_NODRIVER;
  // Not counted again: a count could number the ports anew, and the number is the caller's from
  // its latest count (Transport.h).
  auto device = std::make_unique<InputDevice>(platform::CallbackOf(callback, flags), instance);
  const MMRESULT result = device->Connect(*transport, deviceId);
  if (result != MMSYSERR_NOERROR) return result;
  InputDevice* opened = OpenInputs().Add(std::move(device));
  *handle = opened->Handle();
  opened->Notify(MIM_OPEN, 0, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT midiInClose(HMIDIIN handle) {
  MMRESULT result;
  InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInClose, result);
  if (device == nullptr) return result;
  result = device->Close();
  if (result != MMSYSERR_NOERROR) return result;
  device->Notify(MIM_CLOSE, 0, 0);
  OpenInputs().Remove(device);
  return MMSYSERR_NOERROR;
}

// The handle of a device switched off refuses them too: headers still lent then never come back.
MMRESULT midiInPrepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize) {
  MMRESULT result;
  const InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInPrepareHeader, result);
  if (device == nullptr) return result;
  return device->SwitchedOff() ? MMSYSERR_NODRIVER : platform::PrepareHeader(header, headerSize);
}

MMRESULT midiInUnprepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize) {
  MMRESULT result;
  const InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInUnprepareHeader, result);
  if (device == nullptr) return result;
  return device->SwitchedOff() ? MMSYSERR_NODRIVER : platform::UnprepareHeader(header, headerSize);
}

MMRESULT midiInAddBuffer(HMIDIIN handle, LPMIDIHDR header, UINT headerSize) {
  MMRESULT result;
  InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInAddBuffer, result);
  return device != nullptr ? device->AddBuffer(header, headerSize) : result;
}

MMRESULT midiInStart(HMIDIIN handle) {
  MMRESULT result;
  InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInStart, result);
  return device != nullptr ? device->Start() : result;
}

MMRESULT midiInStop(HMIDIIN handle) {
  MMRESULT result;
  InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInStop, result);
  return device != nullptr ? device->Stop() : result;
}

MMRESULT midiInReset(HMIDIIN handle) {
  MMRESULT result;
  InputDevice* device = OpenInputs().Lookup(handle, PlatformCall::midiInReset, result);
  return device != nullptr ? device->Reset() : result;
}
