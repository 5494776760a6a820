// The call observer that benchmarks time the tool with: it sees input just before the client's
// callback does, and each midiOutLongMsg on entry and with its result, and nothing once unset.
#include "firmware/Conversation.h"
#include "midi/platform/CallObserver.h"

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "midi/platform/MmSystem.h"
#include "tests/support/CallbackRecorder.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using testsupport::CallbackRecorder;

struct Seen {
  std::string moment;
  DWORD_PTR detail;         // the message for input, the result for a return
  const void* subject;      // the header
  std::size_t clientHeard;  // calls the client's callback had had of the message by then
  bool operator==(const Seen&) const = default;
};

class RecordingObserver final : public platform::CallObserver {
 public:
  explicit RecordingObserver(const CallbackRecorder& client) : client_(client) {}

  void InputCallbackCalled(UINT message, DWORD_PTR param1) noexcept override {
    Note({"input", message, reinterpret_cast<const void*>(param1), client_.CallsOf(message).size()});
  }
  void LongMsgEntered(const MIDIHDR* header) noexcept override { Note({"entered", 0, header, 0}); }
  void LongMsgReturning(const MIDIHDR* header, MMRESULT result) noexcept override {
    Note({"returning", result, header, 0});
  }

  std::vector<Seen> SeenSoFar() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  void Note(Seen seen) {
    std::lock_guard lock(mutex_);
    seen_.push_back(std::move(seen));
  }

  const CallbackRecorder& client_;
  mutable std::mutex mutex_;
  std::vector<Seen> seen_;
};

class CallObserverTest : public testsupport::SimulatedPlatformTest {
 protected:
  CallObserverTest() { platform::ObserveCalls(&observer_); }
  ~CallObserverTest() override { platform::ObserveCalls(nullptr); }

  CallbackRecorder recorder_;
  RecordingObserver observer_{recorder_};
};

TEST_F(CallObserverTest, SeesInputJustBeforeTheClientsCallback) {
  const auto device = Sim().AddInput("Bass In");
  HMIDIIN handle = nullptr;
  ASSERT_EQ(midiInOpen(&handle, 0, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
  std::vector<BYTE> data(8);
  MIDIHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(data.data());
  header.dwBufferLength = 8;
  ASSERT_EQ(midiInPrepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(midiInAddBuffer(handle, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(midiInStart(handle), MMSYSERR_NOERROR);
  const auto reply = firmware::ConversationMessage(firmware::kBlockAckReply);
  Sim().InjectSysex(device, reply);
  ASSERT_TRUE(Sim().WaitUntilDelivered(device));

  const std::vector<Seen> seen = observer_.SeenSoFar();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (Seen{"input", MIM_OPEN, nullptr, 0}));
  EXPECT_EQ(seen[1], (Seen{"input", MIM_LONGDATA, &header, 0}));
  EXPECT_EQ(recorder_.CallsOf(MIM_LONGDATA).size(), 1u);

  platform::ObserveCalls(nullptr);
  ASSERT_EQ(midiInReset(handle), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInUnprepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInClose(handle), MMSYSERR_NOERROR);
  EXPECT_EQ(observer_.SeenSoFar().size(), 2u) << "nothing is seen once the observer is unset";
}

TEST_F(CallObserverTest, SeesEachLongSendOnEntryAndWithItsResult) {
  Sim().AddOutput("Bass Out");
  HMIDIOUT handle = nullptr;
  ASSERT_EQ(midiOutOpen(&handle, 0, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
  std::vector<BYTE> data{0xF0, 0x01, 0xF7};
  MIDIHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(data.data());
  header.dwBufferLength = 3;
  EXPECT_EQ(midiOutLongMsg(handle, &header, sizeof header), MIDIERR_UNPREPARED);
  ASSERT_EQ(midiOutPrepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutLongMsg(handle, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 1));

  EXPECT_EQ(observer_.SeenSoFar(), (std::vector<Seen>{{"entered", 0, &header, 0},
                                                      {"returning", MIDIERR_UNPREPARED, &header, 0},
                                                      {"entered", 0, &header, 0},
                                                      {"returning", MMSYSERR_NOERROR, &header, 0}}))
      << "output callbacks are not input";
  EXPECT_EQ(midiOutUnprepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);
}

}  // namespace
