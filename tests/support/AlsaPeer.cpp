#include "tests/support/AlsaPeer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <stdexcept>

namespace testsupport {

namespace {

// RtMidi lists only ports of these types.
constexpr unsigned kPortType = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
// The longest short message, with room to spare.
constexpr std::size_t kShortMessageRoom = 16;
// The kernel's limit on a client's input pool, in cells of 28 bytes.
constexpr int kLargestInputPool = 2000;

Sequencer OpenClient(const std::string& name, int streams, int mode) {
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", streams, mode) < 0)
    throw std::runtime_error("the ALSA loopback peer cannot open the sequencer");
  Sequencer opened(sequencer);
  snd_seq_set_client_name(sequencer, name.c_str());
  return opened;
}

int MakePort(snd_seq_t* client, const std::string& name, unsigned capabilities) {
  const int port = snd_seq_create_simple_port(client, name.c_str(), capabilities, kPortType);
  if (port < 0) throw std::runtime_error("the ALSA loopback peer cannot make the port " + name);
  return port;
}

// "client:port number:number", as RtMidi names a port.
std::string ListedName(const std::string& client, const std::string& port, snd_seq_t* sequencer, int portNumber) {
  return client + ":" + port + " " + std::to_string(snd_seq_client_id(sequencer)) + ":" + std::to_string(portNumber);
}

Coder NewCoder() {
  snd_midi_event_t* coder = nullptr;
  if (snd_midi_event_new(kShortMessageRoom, &coder) < 0)
    throw std::runtime_error("the ALSA loopback peer cannot make a MIDI event coder");
  return Coder(coder);
}

}  // namespace

AlsaPeer::AlsaPeer() {
  const std::string client = "alsa-loopback-peer-" + std::to_string(getpid());
  const std::string sourcePortName = "to-the-programmer-under-test";
  const std::string destinationPortName = "from-the-programmer-under-test";
  source_ = OpenClient(client + "-out", SND_SEQ_OPEN_OUTPUT, 0);
  destination_ = OpenClient(client + "-in", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
  sourcePort_ = MakePort(source_.get(), sourcePortName, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
  destinationPort_ =
      MakePort(destination_.get(), destinationPortName, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
  if (snd_seq_set_client_pool_input(destination_.get(), kLargestInputPool) < 0)
    throw std::runtime_error("the ALSA loopback peer cannot enlarge its input pool");
  sourceName_ = ListedName(client + "-out", sourcePortName, source_.get(), sourcePort_);
  destinationName_ = ListedName(client + "-in", destinationPortName, destination_.get(), destinationPort_);
  encoder_ = NewCoder();
  decoder_ = NewCoder();
  // Each message with its own status byte, whole as it was sent, never in running status.
  snd_midi_event_no_status(decoder_.get(), 1);
  wake_ = eventfd(0, EFD_CLOEXEC);
  if (wake_ < 0) throw std::runtime_error("the ALSA loopback peer cannot make its eventfd");
  reader_ = std::thread(&AlsaPeer::Read, this);
}

AlsaPeer::~AlsaPeer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  const std::uint64_t one = 1;
  if (write(wake_, &one, sizeof one) != sizeof one) std::terminate();
  reader_.join();
  close(wake_);
}

bool AlsaPeer::Send(const Bytes& message) {
  if (message.empty()) return false;
  snd_seq_event_t event;
  snd_seq_ev_clear(&event);
  snd_seq_ev_set_source(&event, sourcePort_);
  snd_seq_ev_set_subs(&event);
  snd_seq_ev_set_direct(&event);
  if (message.front() == 0xF0) {
    snd_seq_ev_set_sysex(&event, message.size(), const_cast<unsigned char*>(message.data()));
  } else {
    snd_midi_event_reset_encode(encoder_.get());
    const long used = snd_midi_event_encode(encoder_.get(), message.data(), static_cast<long>(message.size()), &event);
    if (used != static_cast<long>(message.size()) || event.type == SND_SEQ_EVENT_NONE) return false;
  }
  return snd_seq_event_output_direct(source_.get(), &event) >= 0;
}

void AlsaPeer::RemoveDestination() {
  std::lock_guard lock(mutex_);
  snd_seq_delete_port(destination_.get(), destinationPort_);
}

std::vector<Bytes> AlsaPeer::Received(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
  return received_;
}

bool AlsaPeer::WaitFor(const Bytes& message, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return std::ranges::find(received_, message) != received_.end(); });
}

int AlsaPeer::Overruns() {
  std::lock_guard lock(mutex_);
  return overruns_;
}

bool AlsaPeer::WaitForOverrun(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return overruns_ > 0; });
}

void AlsaPeer::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void AlsaPeer::Resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  changed_.notify_all();
}

// The reader's thread: reads what is pending whenever the sequencer or the wake-up has something.
void AlsaPeer::Read() {
  std::vector<pollfd> descriptors(1 + snd_seq_poll_descriptors_count(destination_.get(), POLLIN));
  descriptors[0] = {wake_, POLLIN, 0};
  snd_seq_poll_descriptors(destination_.get(), &descriptors[1], descriptors.size() - 1, POLLIN);
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !paused_ || stopping_; });
      if (stopping_) return;
      TakePending();
    }
    changed_.notify_all();
    if (poll(descriptors.data(), descriptors.size(), -1) < 0 && errno != EINTR) return;
  }
}

void AlsaPeer::TakePending() {
  for (;;) {
    snd_seq_event_t* event = nullptr;
    const int result = snd_seq_event_input(destination_.get(), &event);
    if (result == -ENOSPC) {
      ++overruns_;
      continue;
    }
    if (result < 0) return;
    Take(*event);
  }
}

void AlsaPeer::Take(const snd_seq_event_t& event) {
  if (event.type == SND_SEQ_EVENT_SYSEX) {
    const auto* bytes = static_cast<const unsigned char*>(event.data.ext.ptr);
    partialSysex_.insert(partialSysex_.end(), bytes, bytes + event.data.ext.len);
    if (!partialSysex_.empty() && partialSysex_.back() == 0xF7) {
      received_.push_back(std::move(partialSysex_));
      partialSysex_.clear();
    }
    return;
  }
  unsigned char bytes[kShortMessageRoom];
  const long length = snd_midi_event_decode(decoder_.get(), bytes, sizeof bytes, &event);
  // Sequencer notices, such as a subscription to the port, are no MIDI and decode to nothing.
  if (length > 0) received_.emplace_back(bytes, bytes + length);
}

}  // namespace testsupport
