#pragma once

// The platform's MIDI services with the desktop multimedia API's own names, numbers, records and
// result codes. In the Windows program (MIDI_SERVICES_WINMM) they are the system's own, from
// winmm; everywhere else, and in the Windows test programs, the emulation in this folder provides
// them over a Transport (Transport.h). Every function runs in the window thread; only the
// callback registered with midiInOpen/midiOutOpen runs on a driver thread.

#ifdef MIDI_SERVICES_WINMM

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it builds on.
#include <mmsystem.h>

// Longest long message the platform accepts in one header.
inline constexpr DWORD kMaxLongMessageLength = 65536;

#else

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using MMRESULT = UINT;
using MMVERSION = UINT;
using LPSTR = char*;

struct HMIDIIN__;
struct HMIDIOUT__;
using HMIDIIN = HMIDIIN__*;
using HMIDIOUT = HMIDIOUT__*;
using LPHMIDIIN = HMIDIIN*;
using LPHMIDIOUT = HMIDIOUT*;

// The calling convention the platform calls a driver callback with: the system's own wherever
// windows.h may define it too (the same tokens, so either header may come first), none elsewhere.
#ifndef CALLBACK
#ifdef _WIN32
#define CALLBACK __stdcall
#else
#define CALLBACK
#endif
#endif

// Result codes.
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
inline constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIDIERR_UNPREPARED = 64;
inline constexpr MMRESULT MIDIERR_STILLPLAYING = 65;
inline constexpr MMRESULT MIDIERR_NOMAP = 66;
inline constexpr MMRESULT MIDIERR_NOTREADY = 67;
inline constexpr MMRESULT MIDIERR_NODEVICE = 68;
inline constexpr MMRESULT MIDIERR_INVALIDSETUP = 69;
inline constexpr MMRESULT MIDIERR_BADOPENMODE = 70;

// The default output device's number.
inline constexpr UINT MIDI_MAPPER = 0xFFFFFFFFu;

// Open flags: how the driver reports to its client.
inline constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
inline constexpr DWORD CALLBACK_NULL = 0x00000000;
inline constexpr DWORD CALLBACK_FUNCTION = 0x00030000;

// Callback messages.
inline constexpr UINT MIM_OPEN = 0x3C1;
inline constexpr UINT MIM_CLOSE = 0x3C2;
inline constexpr UINT MIM_DATA = 0x3C3;
inline constexpr UINT MIM_LONGDATA = 0x3C4;
inline constexpr UINT MIM_ERROR = 0x3C5;
inline constexpr UINT MIM_LONGERROR = 0x3C6;
inline constexpr UINT MOM_OPEN = 0x3C7;
inline constexpr UINT MOM_CLOSE = 0x3C8;
inline constexpr UINT MOM_DONE = 0x3C9;
inline constexpr UINT MIM_MOREDATA = 0x3CC;

// MIDIHDR.dwFlags.
inline constexpr DWORD MHDR_DONE = 0x1;
inline constexpr DWORD MHDR_PREPARED = 0x2;
inline constexpr DWORD MHDR_INQUEUE = 0x4;

// Output technologies (MIDIOUTCAPS.wTechnology).
inline constexpr WORD MOD_MIDIPORT = 1;
inline constexpr WORD MOD_MAPPER = 5;

// Room for a product name with its NUL. The desktop platform has 32; names reported by the
// MIDI systems here (client and port) are longer, and cutting them would hide the device.
inline constexpr std::size_t MAXPNAMELEN = 256;

// Longest long message the platform accepts in one header.
inline constexpr DWORD kMaxLongMessageLength = 65536;

struct MIDIHDR {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  MIDIHDR* lpNext;
  DWORD_PTR reserved;
  DWORD dwOffset;
  DWORD_PTR dwReserved[8];
};
using LPMIDIHDR = MIDIHDR*;

struct MIDIINCAPSA {
  WORD wMid;
  WORD wPid;
  MMVERSION vDriverVersion;
  char szPname[MAXPNAMELEN];
  DWORD dwSupport;
};

struct MIDIOUTCAPSA {
  WORD wMid;
  WORD wPid;
  MMVERSION vDriverVersion;
  char szPname[MAXPNAMELEN];
  WORD wTechnology;
  WORD wVoices;
  WORD wNotes;
  WORD wChannelMask;
  DWORD dwSupport;
};

// The shape of a function callback given with CALLBACK_FUNCTION. The handle is the HMIDIIN or
// HMIDIOUT of the device that calls.
using MIDICALLBACK = void(CALLBACK*)(void* device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                     DWORD_PTR param2);

UINT midiInGetNumDevs();
MMRESULT midiInGetDevCapsA(UINT_PTR deviceId, MIDIINCAPSA* caps, UINT capsSize);
MMRESULT midiInGetErrorTextA(MMRESULT code, LPSTR text, UINT textSize);
MMRESULT midiInOpen(LPHMIDIIN handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT midiInClose(HMIDIIN handle);
MMRESULT midiInPrepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize);
MMRESULT midiInUnprepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize);
MMRESULT midiInAddBuffer(HMIDIIN handle, LPMIDIHDR header, UINT headerSize);
MMRESULT midiInStart(HMIDIIN handle);
MMRESULT midiInStop(HMIDIIN handle);
MMRESULT midiInReset(HMIDIIN handle);

UINT midiOutGetNumDevs();
MMRESULT midiOutGetDevCapsA(UINT_PTR deviceId, MIDIOUTCAPSA* caps, UINT capsSize);
MMRESULT midiOutGetErrorTextA(MMRESULT code, LPSTR text, UINT textSize);
MMRESULT midiOutOpen(LPHMIDIOUT handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT midiOutClose(HMIDIOUT handle);
MMRESULT midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize);
MMRESULT midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize);
MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message);
MMRESULT midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize);
MMRESULT midiOutReset(HMIDIOUT handle);

#endif

// The emulation's own input notice to a client's callback: the transport lost input it had seen
// coming (a system's overrun, a read that found the sender's events gone, events from a sender
// that is not the device). The system's services never send it; its number lies above their
// multimedia notices, which all lie below 0x400, so no real notice is ever taken for it.
inline constexpr UINT kMimInputLost = 0x7FC1;
