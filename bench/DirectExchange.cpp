// direct-exchange: the baseline of the whole update over real MIDI. The same conversation as the
// tool's, acknowledgement-paced with one block in flight, straight on RtMidi, on JACK or with
// `--system alsa` on the ALSA sequencer: a probe,
// block 0 on ReadyReply, each further flagged block on the acknowledgement of the one before,
// then FinishRequest. The main thread waits for each reply; RtMidi's thread hands it over. At
// the end it prints the thread hand-overs per block, counted as bench_hand_overs counts the
// tool's: the reply's thread against the thread that sends the block (RtMidi's send hands the
// bytes to the system on the caller's thread, and reports no completion).
//
// With --through-an-event-loop the main thread waits as the tool's window thread waits: in a Qt
// event loop, woken through an eventfd that RtMidi's thread writes, and each message sent is
// reported done through a second eventfd written on the main thread itself, as the tool's output
// hears that a message is done. The same hand-overs as the tool's, with none of its work.
#include <rtmidi/RtMidi.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

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
#include "framework/WakeUp.h"

namespace {

using namespace std::chrono_literals;

using firmware::kDevicePortName;
using firmware::kKindIndex;
constexpr auto kReplyTimeout = 10s;

// The tool's own wake-up (an eventfd), watched by the main thread's Qt event loop.
class LoopWakeUp {
 public:
  LoopWakeUp() : notifier_(wakeUp_.Descriptor(), QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { wakeUp_.Acknowledge(); });
  }

  void Request() { wakeUp_.Request(); }

 private:
  framework::WakeUp wakeUp_;
  QSocketNotifier notifier_;  // declared last: it must go before the descriptor it watches
};

// The kinds of the replies that came in, and the threads they came on, for the main thread.
class Replies {
 public:
  explicit Replies(LoopWakeUp* loop) : loop_(loop) {}

  static void Receive(double, std::vector<unsigned char>* message, void* replies) {
    auto& self = *static_cast<Replies*>(replies);
    if (message->size() <= kKindIndex) return;
    {
      std::lock_guard lock(self.mutex_);
      self.kinds_.push_back({(*message)[kKindIndex], std::this_thread::get_id()});
    }
    if (self.loop_ != nullptr) {
      self.loop_->Request();
    } else {
      self.arrived_.notify_one();
    }
  }

  // Waits for a reply of `kind`, passing over others; false on time-out. Counts a hand-over when
  // it came on another thread than the caller's.
  bool WaitFor(std::uint8_t kind) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!Arrived(lock)) return false;
      const Reply& reply = kinds_[next_++];
      if (reply.kind != kind) continue;
      if (reply.thread != std::this_thread::get_id()) ++handOvers_;
      return true;
    }
  }

  std::size_t HandOvers() const { return handOvers_; }

 private:
  bool Arrived(std::unique_lock<std::mutex>& lock) {
    const auto waiting = [this] { return next_ < kinds_.size(); };
    if (loop_ == nullptr) return arrived_.wait_for(lock, kReplyTimeout, waiting);
    const auto deadline = std::chrono::steady_clock::now() + kReplyTimeout;
    while (!waiting()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      lock.unlock();
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      lock.lock();
    }
    return true;
  }

  struct Reply {
    std::uint8_t kind;
    std::thread::id thread;
  };
  LoopWakeUp* loop_;
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

// Each block is sent on the reply that asks for it; `blocks` counts them. Each message sent is
// reported done through `completions`, when given.
bool Exchange(RtMidiOut& out, Replies& replies, LoopWakeUp* completions, std::size_t& blocks) {
  const auto send = [&](const unsigned char* bytes, std::size_t count) {
    out.sendMessage(bytes, count);
    if (completions != nullptr) completions->Request();
  };
  const std::vector<unsigned char> probe = firmware::ConversationBytes(firmware::kProbeRequest);
  send(probe.data(), probe.size());
  if (!replies.WaitFor(firmware::kReadyReply)) return false;
  const firmware::FirmwareImageTable& table = firmware::FirmwareImage();
  for (std::size_t block = 0; block < firmware::kBlockCount; ++block) {
    if (block != 0 && table.BlockFlags[block] != 1) continue;
    const auto message = firmware::BlockMessage(static_cast<std::uint8_t>(block));
    send(message.data(), message.size());
    ++blocks;
    if (!replies.WaitFor(firmware::kBlockAckReply)) return false;
  }
  const std::vector<unsigned char> finish = firmware::ConversationBytes(firmware::kFinishRequest);
  send(finish.data(), finish.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool throughAnEventLoop = !arguments.empty() && arguments.back() == "--through-an-event-loop";
  if (throughAnEventLoop) arguments.pop_back();
  RtMidi::Api api = RtMidi::UNIX_JACK;
  if (arguments == std::vector<std::string>{"--system", "alsa"}) {
    api = RtMidi::LINUX_ALSA;
  } else if (!arguments.empty() && arguments != std::vector<std::string>{"--system", "jack"}) {
    std::cerr << "usage: direct-exchange [--system jack|alsa] [--through-an-event-loop]\n";
    return 2;
  }
  QCoreApplication application(argc, argv);
  std::optional<LoopWakeUp> replyWakeUp;
  std::optional<LoopWakeUp> completions;
  // Wakes the loop now and then, so that a device that stopped answering is noticed.
  QTimer timeOutCheck;
  if (throughAnEventLoop) {
    replyWakeUp.emplace();
    completions.emplace();
    timeOutCheck.start(1000);
  }
  RtMidiOut out(api, "direct-exchange");
  RtMidiIn in(api, "direct-exchange", 4096);
  Replies replies(replyWakeUp ? &*replyWakeUp : nullptr);
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
  const bool done = Exchange(out, replies, completions ? &*completions : nullptr, blocks);
  // Written at once: whoever runs it may end it as soon as the finish arrives. The ReadyReply's
  // hand-over is block 0's; the last acknowledgement's asks for the finish.
  if (done) std::cout << static_cast<double>(replies.HandOvers() - 1) / static_cast<double>(blocks) << std::endl;
  // Closing the port at once could cut off the finish still on its way.
  std::this_thread::sleep_for(200ms);
  if (!done) std::cerr << "direct-exchange: the device stopped answering\n";
  return done ? 0 : 1;
}
