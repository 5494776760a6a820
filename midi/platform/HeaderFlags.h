#pragma once

// The rules both directions apply to a MIDIHDR, and its flags word, which the window thread and a
// driver thread both touch while a buffer changes hands.

#include <atomic>

#include "midi/platform/MmSystem.h"

namespace platform {

inline std::atomic_ref<DWORD> FlagsOf(MIDIHDR& header) { return std::atomic_ref<DWORD>(header.dwFlags); }

inline bool HasFlag(MIDIHDR& header, DWORD flag) {
  return (FlagsOf(header).load(std::memory_order_acquire) & flag) != 0;
}

// A header as the caller passes it: present, of the full record size, describing a data block.
inline bool IsUsableHeader(const MIDIHDR* header, UINT headerSize) {
  return header != nullptr && headerSize >= sizeof(MIDIHDR) && header->lpData != nullptr;
}

inline MMRESULT PrepareHeader(MIDIHDR* header, UINT headerSize) {
  if (!IsUsableHeader(header, headerSize)) return MMSYSERR_INVALPARAM;
  FlagsOf(*header).fetch_or(MHDR_PREPARED, std::memory_order_acq_rel);
  return MMSYSERR_NOERROR;
}

inline MMRESULT UnprepareHeader(MIDIHDR* header, UINT headerSize) {
  if (!IsUsableHeader(header, headerSize)) return MMSYSERR_INVALPARAM;
  if (HasFlag(*header, MHDR_INQUEUE)) return MIDIERR_STILLPLAYING;
  FlagsOf(*header).fetch_and(~MHDR_PREPARED, std::memory_order_acq_rel);
  return MMSYSERR_NOERROR;
}

// Checks a header about to be handed to a device and marks it queued.
inline MMRESULT QueueHeader(MIDIHDR* header, UINT headerSize) {
  if (!IsUsableHeader(header, headerSize) || header->dwBufferLength == 0) return MMSYSERR_INVALPARAM;
  if (!HasFlag(*header, MHDR_PREPARED)) return MIDIERR_UNPREPARED;
  if (HasFlag(*header, MHDR_INQUEUE)) return MIDIERR_STILLPLAYING;
  FlagsOf(*header).fetch_and(~MHDR_DONE, std::memory_order_acq_rel);
  FlagsOf(*header).fetch_or(MHDR_INQUEUE, std::memory_order_acq_rel);
  return MMSYSERR_NOERROR;
}

// Hands a header back to its owner: no longer queued, done.
inline void MarkDone(MIDIHDR& header) {
  FlagsOf(header).fetch_and(~MHDR_INQUEUE, std::memory_order_acq_rel);
  FlagsOf(header).fetch_or(MHDR_DONE, std::memory_order_acq_rel);
}

}  // namespace platform
