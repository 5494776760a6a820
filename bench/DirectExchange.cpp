// direct-exchange: the baseline of the whole update over real MIDI. The same conversation as the
// tool's, acknowledgement-paced with one block in flight, straight on RtMidi, on JACK or with
// `--system alsa` on the ALSA sequencer: a probe,
// block 0 on ReadyReply, each further flagged block on the acknowledgement of the one before,
// then FinishRequest. The main thread waits for each reply; RtMidi's thread hands it over. At
// the end it prints the thread hand-overs per block, counted as bench_hand_overs counts the
// tool's: the reply's thread against the thread that sends the block (RtMidi's send hands the
// bytes to the system on the caller's thread, and reports no completion).
#include <rtmidi/RtMidi.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace {

using namespace std::chrono_literals;

using firmware::kDevicePortName;
using firmware::kKindIndex;
constexpr auto kReplyTimeout = 10s;

// The kinds of the replies that came in, and the threads they came on, for the main thread.
class Replies {
 public:
  static void Receive(double, std::vector<unsigned char>* message, void* replies) {
    auto& self = *static_cast<Replies*>(replies);
    if (message->size() <= kKindIndex) return;
    {
      std::lock_guard lock(self.mutex_);
      self.kinds_.push_back({(*message)[kKindIndex], std::this_thread::get_id()});
    }
    self.arrived_.notify_one();
  }

  // Waits for a reply of `kind`, passing over others; false on time-out. Counts a hand-over when
  // it came on another thread than the caller's.
  bool WaitFor(std::uint8_t kind) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!arrived_.wait_for(lock, kReplyTimeout, [this] { return next_ < kinds_.size(); })) return false;
      const Reply& reply = kinds_[next_++];
      if (reply.kind != kind) continue;
      if (reply.thread != std::this_thread::get_id()) ++handOvers_;
      return true;
    }
  }

  std::size_t HandOvers() const { return handOvers_; }

 private:
  struct Reply {
    std::uint8_t kind;
    std::thread::id thread;
  };
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Reply> kinds_;
  std::size_t next_ = 0;
  std::size_t handOvers_ = 0;  // the caller's of WaitFor
};

std::optional<unsigned> FindDevicePort(RtMidi& midi) {
  for (int attempt = 0; attempt < 1000; ++attempt, std::this_thread::sleep_for(10ms)) {
    for (unsigned port = 0, count = midi.getPortCount(); port < count; ++port)
      if (midi.getPortName(port).find(kDevicePortName) != std::string::npos) return port;
  }
  return std::nullopt;
}

// Each block is sent on the reply that asks for it; `blocks` counts them.
bool Exchange(RtMidiOut& out, Replies& replies, std::size_t& blocks) {
  const std::vector<unsigned char> probe = firmware::ConversationBytes(firmware::kProbeRequest);
  out.sendMessage(&probe);
  if (!replies.WaitFor(firmware::kReadyReply)) return false;
  const firmware::FirmwareImageTable& table = firmware::FirmwareImage();
  for (std::size_t block = 0; block < firmware::kBlockCount; ++block) {
    if (block != 0 && table.BlockFlags[block] != 1) continue;
    const auto message = firmware::BlockMessage(static_cast<std::uint8_t>(block));
    out.sendMessage(message.data(), message.size());
    ++blocks;
    if (!replies.WaitFor(firmware::kBlockAckReply)) return false;
  }
  const std::vector<unsigned char> finish = firmware::ConversationBytes(firmware::kFinishRequest);
  out.sendMessage(&finish);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  RtMidi::Api api = RtMidi::UNIX_JACK;
  if (arguments == std::vector<std::string>{"--system", "alsa"}) {
    api = RtMidi::LINUX_ALSA;
  } else if (!arguments.empty() && arguments != std::vector<std::string>{"--system", "jack"}) {
    std::cerr << "usage: direct-exchange [--system jack|alsa]\n";
    return 2;
  }
  RtMidiOut out(api, "direct-exchange");
  RtMidiIn in(api, "direct-exchange", 4096);
  Replies replies;
  const auto source = FindDevicePort(in);
  const auto destination = FindDevicePort(out);
  if (!source || !destination) {
    std::cerr << "direct-exchange: no port named " << kDevicePortName << '\n';
    return 1;
  }
  in.ignoreTypes(false, true, true);
  in.setCallback(&Replies::Receive, &replies);
  in.openPort(*source);
  out.openPort(*destination);
  std::size_t blocks = 0;
  const bool done = Exchange(out, replies, blocks);
  // Written at once: whoever runs it may end it as soon as the finish arrives. The ReadyReply's
  // hand-over is block 0's; the last acknowledgement's asks for the finish.
  if (done) std::cout << static_cast<double>(replies.HandOvers() - 1) / static_cast<double>(blocks) << std::endl;
  // Closing the port at once could cut off the finish still on its way.
  std::this_thread::sleep_for(200ms);
  if (!done) std::cerr << "direct-exchange: the device stopped answering\n";
  return done ? 0 : 1;
}
