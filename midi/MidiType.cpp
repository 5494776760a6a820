#include "midi/MidiType.h"

#include <new>

namespace midi {

TMyMidiHdr::TMyMidiHdr(std::uint16_t bufferSize) {
  if (bufferSize == 0) return;
  const SharedBlock header = SharedLockedAlloc(sizeof(MIDIHDR));
  const SharedBlock data = SharedLockedAlloc(bufferSize);
  headerHandle_ = header.Handle;
  dataHandle_ = data.Handle;
  dataBlock_ = static_cast<BYTE*>(data.Address);
  if (header.Address == nullptr) return;
  header_ = new (header.Address) MIDIHDR{};
  if (dataBlock_ == nullptr) return;
  header_->lpData = reinterpret_cast<LPSTR>(dataBlock_);
  header_->dwBufferLength = bufferSize;
}

TMyMidiHdr::~TMyMidiHdr() {
  SharedLockedFree(headerHandle_);
  SharedLockedFree(dataHandle_);
}

}  // namespace midi
