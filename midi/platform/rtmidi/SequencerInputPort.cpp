#include "midi/platform/rtmidi/SequencerInputPort.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

namespace platform {

namespace {

// The most the sequencer grants a client; a flood of short messages fills 200 in milliseconds.
constexpr int kInputPoolEvents = 2000;
// How much one read takes from the sequencer at once.
constexpr std::size_t kReadBufferBytes = 64 * 1024;
// The longest short message, decoded.
constexpr std::size_t kShortMessageBytes = 3;

// The sequencer address at the end of a listed name: "client:port 20:0".
std::optional<snd_seq_addr_t> AddressOf(const std::string& portName) {
  const std::size_t space = portName.rfind(' ');
  const std::size_t colon = portName.rfind(':');
  if (space == std::string::npos || colon == std::string::npos || colon < space) return std::nullopt;
  int client = -1;
  int port = -1;
  const char* text = portName.data();
  const auto clientEnd = std::from_chars(text + space + 1, text + colon, client);
  const auto portEnd = std::from_chars(text + colon + 1, text + portName.size(), port);
  if (clientEnd.ec != std::errc() || clientEnd.ptr != text + colon || portEnd.ec != std::errc() ||
      portEnd.ptr != text + portName.size() || client < 0 || client > 255 || port < 0 || port > 255)
    return std::nullopt;
  return snd_seq_addr_t{static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
}

// The name the listing gives the port at `address` now, so that a port that went away and one
// that took its number are both refused.
std::string ListedName(snd_seq_t* sequencer, snd_seq_addr_t address) {
  snd_seq_client_info_t* client = nullptr;
  snd_seq_port_info_t* port = nullptr;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  if (snd_seq_get_any_client_info(sequencer, address.client, client) < 0) return {};
  if (snd_seq_get_any_port_info(sequencer, address.client, address.port, port) < 0) return {};
  return std::string(snd_seq_client_info_get_name(client)) + ":" + snd_seq_port_info_get_name(port) + " " +
         std::to_string(address.client) + ":" + std::to_string(address.port);
}

}  // namespace

std::unique_ptr<SequencerInputPort> SequencerInputPort::Open(const std::string& clientName, const std::string& portName,
                                                             InputSink& sink, MMRESULT& result) {
  std::unique_ptr<SequencerInputPort> port(new SequencerInputPort(sink));
  result = port->Connect(clientName, portName);
  if (result != MMSYSERR_NOERROR) return nullptr;
  port->reader_ = std::thread([raw = port.get()] { raw->Read(); });
  return port;
}

SequencerInputPort::~SequencerInputPort() {
  if (reader_.joinable()) {
    const eventfd_t stop = 1;
    eventfd_write(stopFd_, stop);
    reader_.join();
  }
  if (stopFd_ >= 0) close(stopFd_);
  if (decoder_ != nullptr) snd_midi_event_free(decoder_);
  if (sequencer_ != nullptr) snd_seq_close(sequencer_);
}

MMRESULT SequencerInputPort::Connect(const std::string& clientName, const std::string& portName) {
  const std::optional<snd_seq_addr_t> source = AddressOf(portName);
  if (!source) return MMSYSERR_BADDEVICEID;
  if (snd_seq_open(&sequencer_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
    sequencer_ = nullptr;
    return MMSYSERR_ERROR;
  }
  if (ListedName(sequencer_, *source) != portName) return MMSYSERR_BADDEVICEID;
  snd_seq_set_client_name(sequencer_, clientName.c_str());
  // A smaller pool than asked for still works; only a flood fills it sooner.
  snd_seq_set_client_pool_input(sequencer_, kInputPoolEvents);
  snd_seq_set_input_buffer_size(sequencer_, kReadBufferBytes);
  const int ownPort = snd_seq_create_simple_port(sequencer_, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
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
void SequencerInputPort::Read() {
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
      // -ENOSPC: the sequencer dropped events for us while the pool was full; what follows
      // is read on as it comes.
      if (got == -ENOSPC) continue;
      if (got < 0 || event == nullptr) break;
      Deliver(*event);
    }
  }
}

// System Exclusive comes as its own bytes, in as many events as the sender used; every other
// MIDI event is made bytes again. Port and client notices are not MIDI and are left out.
void SequencerInputPort::Deliver(const snd_seq_event_t& event) {
  if (event.type == SND_SEQ_EVENT_SYSEX) {
    splitter_.Feed({static_cast<const BYTE*>(event.data.ext.ptr), event.data.ext.len});
    return;
  }
  std::array<BYTE, kShortMessageBytes> bytes{};
  const long length = snd_midi_event_decode(decoder_, bytes.data(), bytes.size(), &event);
  if (length > 0) splitter_.Feed({bytes.data(), static_cast<std::size_t>(length)});
}

}  // namespace platform
