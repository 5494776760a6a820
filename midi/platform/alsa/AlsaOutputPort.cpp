#include "midi/platform/alsa/AlsaOutputPort.h"

#include <array>
#include <chrono>
#include <string_view>
#include <thread>
#include <utility>

#include "midi/platform/MessageLength.h"
#include "midi/platform/alsa/SequencerAddress.h"

namespace platform {

namespace {

const std::string kOwnPortName = "out";
// A receiver's pool may be full for a moment; when the sequencer says so, RtMidi reports the send
// as failed and it is tried again, for a while.
constexpr std::chrono::milliseconds kRetryPause{5};
constexpr std::chrono::seconds kRetryLimit{2};

// The number `lister` gives the port named `name` now, if it lists it.
std::optional<unsigned> FindPort(RtMidi& lister, std::string_view name) {
  const unsigned count = lister.getPortCount();
  for (unsigned port = 0; port < count; ++port) {
    if (lister.getPortName(port) == name) return port;
  }
  return std::nullopt;
}

}  // namespace

std::unique_ptr<AlsaOutputPort> AlsaOutputPort::Open(const std::string& clientName, const std::string& portName,
                                                     MMRESULT& result) {
  std::unique_ptr<AlsaOutputPort> port(new AlsaOutputPort(portName));
  result = port->Connect(clientName);
  if (result != MMSYSERR_NOERROR) return nullptr;
  return port;
}

AlsaOutputPort::~AlsaOutputPort() {
  if (lookup_ != nullptr) snd_seq_close(lookup_);
}

// Looked up by name in the new client's own list, as for input.
MMRESULT AlsaOutputPort::Connect(const std::string& clientName) {
  const std::optional<snd_seq_addr_t> address = SequencerAddressOf(portName_);
  if (!address) return MMSYSERR_BADDEVICEID;
  address_ = *address;
  if (snd_seq_open(&lookup_, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
    lookup_ = nullptr;
    return MMSYSERR_ERROR;
  }
  snd_seq_set_client_name(lookup_, clientName.c_str());
  try {
    output_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, clientName);
  } catch (const RtMidiError&) {
    return MMSYSERR_ERROR;
  }
  errors_.Install(*output_);
  const std::optional<unsigned> number = FindPort(*output_, portName_);
  if (!number) return MMSYSERR_BADDEVICEID;
  errors_.Clear();
  output_->openPort(*number, kOwnPortName);
  return errors_.Reported() ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

MMRESULT AlsaOutputPort::SendShort(DWORD message) {
  std::array<BYTE, 3> storage;
  const std::span<const BYTE> bytes = ShortMessageBytes(message, storage);
  if (bytes.empty()) return MMSYSERR_INVALPARAM;
  return Send(bytes, false);
}

// One try: RtMidi's sequencer client is non-blocking, so the sequencer refuses at once what the
// receiver's pool has no room for, and the send is left to SendLong's tries.
std::optional<MMRESULT> AlsaOutputPort::TrySendLong(std::span<const BYTE> bytes) {
  if (!PortPresent()) return MIDIERR_NODEVICE;
  errors_.Clear();
  output_->sendMessage(bytes.data(), bytes.size());
  if (errors_.Reported()) return std::nullopt;
  return MMSYSERR_NOERROR;
}

MMRESULT AlsaOutputPort::SendLong(std::span<const BYTE> bytes) {
  // A Cancel before this send began was meant for an earlier one.
  cancelled_.store(false, std::memory_order_release);
  return Send(bytes, true);
}

void AlsaOutputPort::Cancel() { cancelled_.store(true, std::memory_order_release); }

MMRESULT AlsaOutputPort::Send(std::span<const BYTE> bytes, bool cancellable) {
  if (!PortPresent()) return MIDIERR_NODEVICE;
  return Hand(bytes, cancellable);
}

MMRESULT AlsaOutputPort::Hand(std::span<const BYTE> bytes, bool cancellable) {
  const auto giveUp = std::chrono::steady_clock::now() + kRetryLimit;
  for (;;) {
    errors_.Clear();
    output_->sendMessage(bytes.data(), bytes.size());
    if (!errors_.Reported()) return MMSYSERR_NOERROR;
    if (std::chrono::steady_clock::now() >= giveUp) return MMSYSERR_ERROR;
    if (cancellable && cancelled_.load(std::memory_order_acquire)) return MMSYSERR_NOERROR;
    std::this_thread::sleep_for(kRetryPause);
    if (!PortPresent()) return MIDIERR_NODEVICE;
    retries_.fetch_add(1, std::memory_order_relaxed);
  }
}

bool AlsaOutputPort::PortPresent() { return ListedNameAt(lookup_, address_) == portName_; }

}  // namespace platform
