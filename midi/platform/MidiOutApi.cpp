// The platform's MIDI output functions over the installed transport.
#include <algorithm>
#include <climits>
#include <cstring>

#include "midi/platform/CallObserver.h"
#include "midi/platform/DeviceRegistry.h"
#include "midi/platform/EmulationFaults.h"
#include "midi/platform/ErrorTexts.h"
#include "midi/platform/HeaderFlags.h"
#include "midi/platform/OutputDevice.h"
#include "midi/platform/PortCaps.h"

using platform::CheckFault;
using platform::OutputDevice;
using platform::PlatformCall;

namespace {

platform::DeviceRegistry<OutputDevice>& OpenOutputs() {
  static platform::DeviceRegistry<OutputDevice> outputs;
  return outputs;
}

// The port that a device number opens: the default output stands for port 0 as it is now, so it
// alone is counted here. A number is the caller's from its latest count and is not counted again,
// which could number the ports anew (Transport.h); the transport refuses one out of range.
MMRESULT ResolvePort(platform::Transport& transport, UINT deviceId, UINT& index) {
  if (deviceId == MIDI_MAPPER) {
    if (transport.OutputCount() == 0) return MIDIERR_NODEVICE;
    index = 0;
    return MMSYSERR_NOERROR;
  }
  index = deviceId;
  return MMSYSERR_NOERROR;
}

}  // namespace

UINT midiOutGetNumDevs() {
  platform::Transport* transport = platform::CurrentTransport();
  if (transport == nullptr || CheckFault(PlatformCall::midiOutGetNumDevs) != MMSYSERR_NOERROR) return 0;
  return transport->OutputCount();
}

// The default output always answers, as the platform's does, even with no port behind it.
MMRESULT midiOutGetDevCapsA(UINT_PTR deviceId, MIDIOUTCAPSA* caps, UINT capsSize) {
  if (const MMRESULT fault = CheckFault(PlatformCall::midiOutGetDevCapsA); fault != MMSYSERR_NOERROR) return fault;
  if (caps == nullptr) return MMSYSERR_INVALPARAM;
  platform::Transport* transport = platform::CurrentTransport();
  if (transport == nullptr) return MMSYSERR_NODRIVER;
  MIDIOUTCAPSA filled{};
  if (deviceId == MIDI_MAPPER) {
    filled = platform::OutputCapsOf({platform::kDefaultOutputName}, MOD_MAPPER);
  } else {
    platform::PortInfo info;
    if (deviceId > UINT_MAX || !transport->OutputInfo(static_cast<UINT>(deviceId), info)) return MMSYSERR_BADDEVICEID;
    filled = platform::OutputCapsOf(info, MOD_MIDIPORT);
  }
  std::memcpy(caps, &filled, std::min<std::size_t>(capsSize, sizeof filled));
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutGetErrorTextA(MMRESULT code, LPSTR text, UINT textSize) {
  if (const MMRESULT fault = CheckFault(PlatformCall::midiOutGetErrorTextA); fault != MMSYSERR_NOERROR) return fault;
  return platform::CopyErrorText(code, text, textSize);
}

MMRESULT midiOutOpen(LPHMIDIOUT handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  if (const MMRESULT fault = CheckFault(PlatformCall::midiOutOpen); fault != MMSYSERR_NOERROR) return fault;
  if (handle == nullptr) return MMSYSERR_INVALPARAM;
  if (const MMRESULT kind = platform::CheckCallbackKind(flags); kind != MMSYSERR_NOERROR) return kind;
  platform::Transport* transport = platform::CurrentTransport();
  if (transport == nullptr) return MMSYSERR_NODRIVER;
  UINT index = 0;
  if (const MMRESULT result = ResolvePort(*transport, deviceId, index); result != MMSYSERR_NOERROR) return result;
  auto device = std::make_unique<OutputDevice>(platform::CallbackOf(callback, flags), instance);
  if (const MMRESULT result = device->Connect(*transport, index); result != MMSYSERR_NOERROR) return result;
  OutputDevice* opened = OpenOutputs().Add(std::move(device));
  *handle = opened->Handle();
  opened->Notify(MOM_OPEN, 0, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutClose(HMIDIOUT handle) {
  MMRESULT result;
  OutputDevice* device = OpenOutputs().Lookup(handle, PlatformCall::midiOutClose, result);
  if (device == nullptr) return result;
  if (result = device->Close(); result != MMSYSERR_NOERROR) return result;
  device->Notify(MOM_CLOSE, 0, 0);
  OpenOutputs().Remove(device);
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize) {
  MMRESULT result;
  const OutputDevice* device = OpenOutputs().Lookup(handle, PlatformCall::midiOutPrepareHeader, result);
  if (device == nullptr) return result;
  if (device->SwitchedOff()) return MMSYSERR_NODRIVER;
  if (header != nullptr && header->dwBufferLength > kMaxLongMessageLength) return MMSYSERR_INVALPARAM;
  return platform::PrepareHeader(header, headerSize);
}

MMRESULT midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize) {
  MMRESULT result;
  const OutputDevice* device = OpenOutputs().Lookup(handle, PlatformCall::midiOutUnprepareHeader, result);
  if (device == nullptr) return result;
  return device->SwitchedOff() ? MMSYSERR_NODRIVER : platform::UnprepareHeader(header, headerSize);
}

MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message) {
  MMRESULT result;
  OutputDevice* device = OpenOutputs().Lookup(handle, PlatformCall::midiOutShortMsg, result);
  return device != nullptr ? device->ShortMsg(message) : result;
}

MMRESULT midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize) {
  platform::CallObserver* const observer = platform::CurrentCallObserver();
  if (observer != nullptr) observer->LongMsgEntered(header);
  MMRESULT result;
  OutputDevice* device = OpenOutputs().Lookup(handle, PlatformCall::midiOutLongMsg, result);
  if (device != nullptr) result = device->LongMsg(header, headerSize);
  if (observer != nullptr) observer->LongMsgReturning(header, result);
  return result;
}

MMRESULT midiOutReset(HMIDIOUT handle) {
  MMRESULT result;
  OutputDevice* device = OpenOutputs().Lookup(handle, PlatformCall::midiOutReset, result);
  return device != nullptr ? device->Reset() : result;
}
