#include "midi/platform/alsa/AlsaInputPort.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <optional>
#include <vector>

#include "midi/platform/alsa/SequencerAddress.h"

namespace platform {

namespace {

// The most the sequencer grants a client; a flood of short messages fills 200 in milliseconds.
constexpr int kInputPoolEvents = 2000;
// How much one read takes from the sequencer at once.
constexpr std::size_t kReadBufferBytes = 64 * 1024;
// The longest short message, decoded.
constexpr std::size_t kShortMessageBytes = 3;

}  // namespace

std::unique_ptr<AlsaInputPort> AlsaInputPort::Open(const std::string& clientName, const std::string& portName,
                                                   InputSink& sink, MMRESULT& result) {
  std::unique_ptr<AlsaInputPort> port(new AlsaInputPort(sink));
  result = port->Connect(clientName, portName);
  if (result != MMSYSERR_NOERROR) return nullptr;
  port->reader_ = std::thread([raw = port.get()] { raw->Read(); });
  return port;
}

AlsaInputPort::~AlsaInputPort() {
  if (reader_.joinable()) {
    const eventfd_t stop = 1;
    eventfd_write(stopFd_, stop);
    reader_.join();
  }
  if (stopFd_ >= 0) close(stopFd_);
  if (decoder_ != nullptr) snd_midi_event_free(decoder_);
  if (sequencer_ != nullptr) snd_seq_close(sequencer_);
}

MMRESULT AlsaInputPort::Connect(const std::string& clientName, const std::string& portName) {
  const std::optional<snd_seq_addr_t> source = SequencerAddressOf(portName);
  if (!source) return MMSYSERR_BADDEVICEID;
  device_ = *source;
  if (snd_seq_open(&sequencer_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
    sequencer_ = nullptr;
    return MMSYSERR_ERROR;
  }
  if (ListedNameAt(sequencer_, *source) != portName) return MMSYSERR_BADDEVICEID;
  snd_seq_set_client_name(sequencer_, clientName.c_str());
  // A smaller pool than asked for still works; only a flood fills it sooner.
  snd_seq_set_client_pool_input(sequencer_, kInputPoolEvents);
  snd_seq_set_input_buffer_size(sequencer_, kReadBufferBytes);
  const int ownPort = snd_seq_create_simple_port(sequencer_, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (ownPort < 0) return MMSYSERR_ERROR;
  if (snd_seq_connect_from(sequencer_, ownPort, source->client, source->port) < 0) return MMSYSERR_BADDEVICEID;
  if (snd_midi_event_new(kShortMessageBytes, &decoder_) < 0) {
    decoder_ = nullptr;
    return MMSYSERR_NOMEM;
  }
  snd_midi_event_no_status(decoder_, 1);
  stopFd_ = eventfd(0, EFD_CLOEXEC);
  return stopFd_ < 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

// The reading thread: waits for events or the stop, and takes every event that is there.
void AlsaInputPort::Read() {
  const int sequencerFds = snd_seq_poll_descriptors_count(sequencer_, POLLIN);
  std::vector<pollfd> fds(1 + static_cast<std::size_t>(sequencerFds));
  fds[0] = {stopFd_, POLLIN, 0};
  snd_seq_poll_descriptors(sequencer_, fds.data() + 1, static_cast<unsigned>(sequencerFds), POLLIN);
  for (;;) {
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
    if (fds[0].revents & POLLIN) return;
    for (;;) {
      snd_seq_event_t* event = nullptr;
      const int got = snd_seq_event_input(sequencer_, &event);
      // -ENOSPC: the sequencer dropped events for us while the pool was full, and with them
      // what it still held; what follows is read on as it comes.
      if (got == -ENOSPC) {
        sink_.ReportLoss();
        continue;
      }
      if (got < 0 || event == nullptr) break;
      Deliver(*event);
    }
  }
}

// System Exclusive comes as its own bytes, in as many events as the sender used; every other
// MIDI event is made bytes again. Port and client notices are not MIDI and are left out, and so
// is whatever another client sent to our port's address.
void AlsaInputPort::Deliver(const snd_seq_event_t& event) {
  if (event.source.client != device_.client || event.source.port != device_.port) return;
  if (event.type == SND_SEQ_EVENT_SYSEX) {
    splitter_.Feed({static_cast<const BYTE*>(event.data.ext.ptr), event.data.ext.len});
    return;
  }
  std::array<BYTE, kShortMessageBytes> bytes{};
  const long length = snd_midi_event_decode(decoder_, bytes.data(), bytes.size(), &event);
  if (length > 0) splitter_.Feed({bytes.data(), static_cast<std::size_t>(length)});
}

}  // namespace platform
