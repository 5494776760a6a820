// A long message that must wait goes to the output device's sender thread, and every later one
// waits behind it even when the transport could take that one at once: nothing overtakes.
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "midi/platform/MmSystem.h"
#include "midi/platform/Transport.h"
#include "tests/support/CallbackRecorder.h"

namespace {

using testsupport::CallbackRecorder;

// One output whose transport the test steers: it takes messages at once or says they would wait,
// and a send that waits stays in the transport until the test lets it go.
class GatedOutput {
 public:
  struct Sent {
    BYTE tag;
    bool atOnce;
    std::thread::id thread;
  };

  void TakeAtOnce(bool take) {
    std::lock_guard lock(mutex_);
    takeAtOnce_ = take;
  }
  void LetWaitingSendsGo() {
    {
      std::lock_guard lock(mutex_);
      gateOpen_ = true;
    }
    changed_.notify_all();
  }
  bool WaitUntilASendWaits() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return waiting_ > 0; });
  }
  std::vector<Sent> SentSoFar() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }

  class Connection final : public platform::OutputConnection {
   public:
    explicit Connection(GatedOutput& output) : output_(output) {}
    MMRESULT SendShort(DWORD) override { return MMSYSERR_NOERROR; }
    std::optional<MMRESULT> TrySendLong(std::span<const BYTE> bytes) override {
      std::lock_guard lock(output_.mutex_);
      if (!output_.takeAtOnce_) return std::nullopt;
      output_.sent_.push_back({bytes[1], true, std::this_thread::get_id()});
      return MMSYSERR_NOERROR;
    }
    MMRESULT SendLong(std::span<const BYTE> bytes) override {
      std::unique_lock lock(output_.mutex_);
      ++output_.waiting_;
      output_.changed_.notify_all();
      output_.changed_.wait(lock, [this] { return output_.gateOpen_; });
      --output_.waiting_;
      output_.sent_.push_back({bytes[1], false, std::this_thread::get_id()});
      return MMSYSERR_NOERROR;
    }
    void Cancel() override { output_.LetWaitingSendsGo(); }

   private:
    GatedOutput& output_;
  };

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool takeAtOnce_ = true;
  bool gateOpen_ = false;
  unsigned waiting_ = 0;
  std::vector<Sent> sent_;
};

class GatedTransport final : public platform::Transport {
 public:
  explicit GatedTransport(GatedOutput& output) : output_(output) {}
  UINT InputCount() override { return 0; }
  UINT OutputCount() override { return 1; }
  bool InputInfo(UINT, platform::PortInfo&) override { return false; }
  bool OutputInfo(UINT index, platform::PortInfo& info) override {
    info.name = "gated";
    return index == 0;
  }
  std::unique_ptr<platform::InputConnection> OpenInput(UINT, platform::InputSink&, MMRESULT& result) override {
    result = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  std::unique_ptr<platform::OutputConnection> OpenOutput(UINT, MMRESULT& result) override {
    result = MMSYSERR_NOERROR;
    return std::make_unique<GatedOutput::Connection>(output_);
  }

 private:
  GatedOutput& output_;
};

struct Message {
  explicit Message(BYTE tag) : data{0xF0, tag, 0xF7} {
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = static_cast<DWORD>(data.size());
  }
  std::vector<BYTE> data;
  MIDIHDR header{};
};

class OutputAtOnceTest : public testing::Test {
 protected:
  OutputAtOnceTest() : previous_(platform::InstallTransport(std::make_unique<GatedTransport>(output_))) {
    EXPECT_EQ(midiOutOpen(&handle_, 0, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
  }
  ~OutputAtOnceTest() override {
    output_.LetWaitingSendsGo();
    EXPECT_EQ(midiOutReset(handle_), MMSYSERR_NOERROR);
    EXPECT_EQ(midiOutClose(handle_), MMSYSERR_NOERROR);
    platform::InstallTransport(std::move(previous_));
  }

  MMRESULT Send(Message& message) {
    const MMRESULT prepared = midiOutPrepareHeader(handle_, &message.header, sizeof(MIDIHDR));
    return prepared != MMSYSERR_NOERROR ? prepared : midiOutLongMsg(handle_, &message.header, sizeof(MIDIHDR));
  }

  GatedOutput output_;
  std::unique_ptr<platform::Transport> previous_;
  CallbackRecorder recorder_;
  HMIDIOUT handle_ = nullptr;
};

TEST_F(OutputAtOnceTest, MessagesAfterOneThatMustWaitWaitBehindItAndAllGoOutInOrder) {
  output_.TakeAtOnce(false);
  Message first(1);
  ASSERT_EQ(Send(first), MMSYSERR_NOERROR);
  ASSERT_TRUE(output_.WaitUntilASendWaits());
  output_.TakeAtOnce(true);
  Message second(2);
  Message third(3);
  ASSERT_EQ(Send(second), MMSYSERR_NOERROR);
  ASSERT_EQ(Send(third), MMSYSERR_NOERROR);
  EXPECT_TRUE(recorder_.CallsOf(MOM_DONE).empty()) << "nothing overtook the waiting message";
  EXPECT_EQ(midiOutClose(handle_), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiOutShortMsg(handle_, 0x90), MIDIERR_NOTREADY) << "nor may a short message";

  output_.LetWaitingSendsGo();
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 3));
  const auto sent = output_.SentSoFar();
  ASSERT_EQ(sent.size(), 3u);
  const auto done = recorder_.CallsOf(MOM_DONE);
  const Message* const inOrder[] = {&first, &second, &third};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(sent[i].tag, i + 1);
    EXPECT_FALSE(sent[i].atOnce) << "message " << i + 1 << " went through the sender thread";
    EXPECT_NE(sent[i].thread, std::this_thread::get_id());
    EXPECT_EQ(done[i].param1, reinterpret_cast<DWORD_PTR>(&inOrder[i]->header));
  }
}

}  // namespace
