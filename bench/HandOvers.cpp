// bench_hand_overs: counts the thread hand-overs on the path of each block in the tool itself
// (app::RunProgram on the MIDI systems' transport, as bass-firmware runs it) against a device on
// a real MIDI system. A block's path: the reply that asks for it enters the client's input
// callback, the window thread calls midiOutLongMsg, the block's bytes are handed to the transport,
// its completion enters the client's output callback, and the window thread handles that
// completion. The platform's call observer takes the thread of each step as it happens; a
// hand-over is a step on another thread than the step before. Once the FinishRequest is sent it
// prints the hand-overs per block, and each step's count on standard error, and ends the tool.
//   bench_hand_overs   (BASS_FIRMWARE_TEST_MIDI_SYSTEM names the MIDI system, as for the tool)
#include <QApplication>

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <thread>

#include "app/qt/MidiSystemsToUse.h"
#include "bench/support/ToolRun.h"
#include "firmware/Conversation.h"
#include "firmware/TableLayout.h"
#include "midi/platform/CallObserver.h"
#include "midi/platform/systems/SystemsTransport.h"

namespace {

using ThreadId = std::thread::id;

// The threads of one block's steps. Each is written once, by the thread it names.
struct BlockPath {
  std::atomic<const MIDIHDR*> header{nullptr};
  ThreadId reply;    // the reply's input callback
  ThreadId sending;  // midiOutLongMsg
  std::atomic<ThreadId> transferring{};
  std::atomic<ThreadId> completing{};
};

class HandOverCounter final : public platform::CallObserver {
 public:
  static constexpr std::size_t kMaxBlocks = 128;
  // reply -> midiOutLongMsg -> transport -> completion -> the window thread handling it.
  static constexpr std::size_t kSteps = 4;

  void InputCallbackCalled(UINT message, DWORD_PTR) noexcept override {
    if (message == MIM_LONGDATA) lastReply_.store(std::this_thread::get_id(), std::memory_order_release);
  }

  void LongMsgEntered(const MIDIHDR* header) noexcept override {
    if (header->dwBufferLength == firmware::kBlockLength && blocks_ < kMaxBlocks) {
      BlockPath& path = paths_[blocks_++];
      path.reply = lastReply_.load(std::memory_order_acquire);
      path.sending = std::this_thread::get_id();
      path.header.store(header, std::memory_order_release);
    }
  }

  // Every block's completion was called before the device's acknowledgement of the last one
  // asked for the finish; the tool may be ended by its runner as soon as the finish arrives, so
  // the count is written now.
  void LongMsgReturning(const MIDIHDR* header, MMRESULT result) noexcept override {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header->lpData);
    if (result != MMSYSERR_NOERROR || header->dwBufferLength != firmware::kMessageLength ||
        bytes[firmware::kKindIndex] != firmware::kFinishRequest)
      return;
    Report();
    bench::CloseTool();
  }

  void LongMsgTransferring(const MIDIHDR* header) noexcept override {
    if (BlockPath* path = PathOf(header)) path->transferring.store(std::this_thread::get_id());
  }

  void OutputCallbackCalled(UINT message, DWORD_PTR param1) noexcept override {
    if (message != MOM_DONE) return;
    if (BlockPath* path = PathOf(reinterpret_cast<const MIDIHDR*>(param1)))
      path->completing.store(std::this_thread::get_id());
  }

  explicit HandOverCounter(int output) : output_(output) {}

 private:
  // The block in flight and the one before it are the latest two; a header is reused only after
  // its completion.
  BlockPath* PathOf(const MIDIHDR* header) noexcept {
    for (std::size_t i = blocks_.load(std::memory_order_acquire); i > 0; --i)
      if (paths_[i - 1].header.load(std::memory_order_acquire) == header) return &paths_[i - 1];
    return nullptr;
  }

  // The hand-overs per block on `output_`, then how many at each step on standard error.
  void Report() const {
    std::array<std::size_t, kSteps> handOvers{};
    std::size_t total = 0;
    for (std::size_t i = 0; i < blocks_; ++i) {
      const BlockPath& path = paths_[i];
      const std::array<ThreadId, kSteps + 1> threads{path.reply, path.sending, path.transferring.load(),
                                                     path.completing.load(), path.sending};
      for (std::size_t step = 0; step < kSteps; ++step) {
        const bool handedOver = threads[step] != threads[step + 1];
        handOvers[step] += handedOver ? 1 : 0;
        total += handedOver ? 1 : 0;
      }
    }
    if (blocks_ == 0) return;
    dprintf(output_, "%.2f\n", static_cast<double>(total) / static_cast<double>(blocks_));
    std::fprintf(stderr,
                 "bench_hand_overs: %zu blocks; hand-overs from the reply to midiOutLongMsg %zu, to the transport "
                 "%zu, to the completion %zu, to the window thread %zu\n",
                 blocks_.load(), handOvers[0], handOvers[1], handOvers[2], handOvers[3]);
  }

  const int output_;
  std::atomic<ThreadId> lastReply_{};
  std::atomic<std::size_t> blocks_{0};
  std::array<BlockPath, kMaxBlocks> paths_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The tool's run sends standard output nowhere; the count goes to the real one.
  const int output = dup(STDOUT_FILENO);
  HandOverCounter counter(output);
  platform::ObserveCalls(&counter);
  bench::RunToolQuietly(std::make_unique<platform::SystemsTransport>(app::MidiSystemsToUse()));
  platform::ObserveCalls(nullptr);
  close(output);
  return 0;
}
