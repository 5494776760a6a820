// bench_jack_flood: a device on the running JACK server, its ports named like the QLT-1's, that
// floods the tool with 200 ReadyReplies every cycle (256 frames at 48 kHz) whatever the tool
// sends, until SIGTERM; what the tool sends is read and dropped. Writes "flooding" once its
// ports are open, and at the end how many replies it sent.
#include <chrono>
#include <csignal>
#include <iostream>
#include <span>
#include <thread>
#include <vector>

#include "firmware/Conversation.h"
#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"

namespace {

constexpr int kRepliesPerCycle = 200;
constexpr auto kCycle = std::chrono::microseconds(256 * 1000000 / 48000);

volatile std::sig_atomic_t stopRequested = 0;

class Discard final : public platform::JackEventReceiver {
 public:
  void ReceiveEvent(std::span<const BYTE>) noexcept override {}
  void EventsLost() noexcept override {}
};

}  // namespace

int main() {
  std::signal(SIGTERM, [](int) { stopRequested = 1; });
  Discard fromTool;
  const auto input = platform::JackMidiInput::Open("QLT-1 in", firmware::kDevicePortName, fromTool);
  const auto toTool = platform::JackMidiOutput::Open("QLT-1", firmware::kDevicePortName);
  if (input == nullptr || toTool == nullptr) {
    std::cerr << "bench_jack_flood: no JACK server answers\n";
    return 1;
  }
  std::cout << "flooding" << std::endl;
  const std::vector<BYTE> ready = firmware::ConversationBytes(firmware::kReadyReply);
  long long sent = 0;
  auto next = std::chrono::steady_clock::now();
  while (stopRequested == 0) {
    for (int reply = 0; reply < kRepliesPerCycle; ++reply) {
      if (!toTool->Queue(ready)) return 1;
    }
    sent += kRepliesPerCycle;
    next += kCycle;
    std::this_thread::sleep_until(next);
  }
  std::cout << "bench_jack_flood: " << sent << " replies sent" << std::endl;
  return 0;
}
