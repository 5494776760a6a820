#pragma once

// The records the port layer hands around: a received event, and a platform buffer header with
// its data block.

#include <cstdint>
#include <memory>

#include "framework/Object.h"
#include "midi/SharedMemory.h"
#include "midi/platform/MmSystem.h"

namespace midi {

// One received event, owned by whoever took it from the input port. A System Exclusive event
// (StatusByte 0xF0) carries a copy of the bytes of one returned buffer, so it begins with 0xF0
// and ends with 0xF7 only when the whole message fitted in that buffer.
class TMyMidiEvent : public framework::TPersistent {
 public:
  BYTE StatusByte = 0;
  BYTE DataByte1 = 0;
  BYTE DataByte2 = 0;
  DWORD TimeStamp = 0;  // milliseconds since the input port was started
  WORD SysexByteCount = 0;
  std::unique_ptr<BYTE[]> SysexBytes;
};

// A platform MIDIHDR and the data block it describes, both in shared blocks. The owning port
// prepares, lends, unprepares, and sets dwUser to this object so that a header coming back from
// the platform leads to it. Reports no errors: when a block cannot be had, Header() or
// DataBlock() is none (and the platform refuses a header without data).
class TMyMidiHdr : public framework::TObject {
 public:
  // With size 0 nothing is obtained.
  explicit TMyMidiHdr(std::uint16_t bufferSize);
  ~TMyMidiHdr() override;

  MIDIHDR* Header() const { return header_; }
  BYTE* DataBlock() const { return dataBlock_; }

  // The object a header handed back by the platform belongs to.
  static TMyMidiHdr* Owning(const MIDIHDR& header) { return reinterpret_cast<TMyMidiHdr*>(header.dwUser); }

 private:
  HGLOBAL headerHandle_ = nullptr;
  MIDIHDR* header_ = nullptr;
  HGLOBAL dataHandle_ = nullptr;
  BYTE* dataBlock_ = nullptr;
};

}  // namespace midi
