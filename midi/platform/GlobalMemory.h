#pragma once

// The platform's global memory blocks: the memory that a driver callback may touch. A block is
// identified by its handle and, while locked, has one fixed address. Window thread. In the Windows
// program they are the system's own (MmSystem.h brings them in with windows.h).

#include "midi/platform/MmSystem.h"

#ifndef MIDI_SERVICES_WINMM

#include <cstddef>

struct GlobalBlock;
using HGLOBAL = GlobalBlock*;

inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GMEM_DDESHARE = 0x2000;

// A new block of `bytes` bytes (zero-filled with GMEM_ZEROINIT), or none.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// The block's address; each lock must be matched by an unlock. None for an empty handle.
void* GlobalLock(HGLOBAL block);
bool GlobalUnlock(HGLOBAL block);
// Releases the block; gives none on success and the handle back on failure, as the platform does.
HGLOBAL GlobalFree(HGLOBAL block);

// Blocks allocated and not yet freed in this process (for leak checks in tests).
std::size_t GlobalBlocksInUse();

#endif
