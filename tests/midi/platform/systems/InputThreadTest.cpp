// Proves that the thread that delivers each MIDI system's input to the transport allocates and
// locks nothing while traffic flows: JACK's real-time thread, which runs our input port's process
// callback, and the thread reading our ALSA sequencer input. It is watched from the sink's first
// call on, so everything it does, in our callback and in the system's own code around it, counts.
// The ALSA sequencer's case runs in a guest that has the sequencer (scripts/midi-vm).
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/midi/platform/systems/CountingSink.h"
#include "tests/support/AlsaPeer.h"
#include "tests/support/HeapAndLockCounter.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PrivateJackServer.h"

namespace {

constexpr std::size_t kSysexSize = firmware::kBlockLength;

// Another client of the system, with a port that the transport lists and that sends into its input.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual std::optional<UINT> SourceIn(platform::Transport& transport) const = 0;
  virtual bool Send(const testsupport::Bytes& message) = 0;
};

class JackPeer final : public Peer {
 public:
  JackPeer() {
    if (!server_.Start()) throw std::runtime_error("the private JACK server does not start");
    peer_.emplace();
  }
  // The only other port on the private server.
  std::optional<UINT> SourceIn(platform::Transport&) const override { return 0; }
  bool Send(const testsupport::Bytes& message) override { return peer_->Send(message); }

 private:
  testsupport::PrivateJackServer server_;
  std::optional<testsupport::LoopbackPeer> peer_;
};

class SequencerPeer final : public Peer {
 public:
  std::optional<UINT> SourceIn(platform::Transport& transport) const override {
    for (UINT index = 0, count = transport.InputCount(); index < count; ++index) {
      platform::PortInfo info;
      if (transport.InputInfo(index, info) && info.name == peer_.SourceName()) return index;
    }
    return std::nullopt;
  }
  bool Send(const testsupport::Bytes& message) override { return peer_.Send(message); }

 private:
  testsupport::AlsaPeer peer_;
};

struct MidiSystem {
  std::string name;
  platform::MidiSystems systems;
  std::unique_ptr<Peer> (*makePeer)();
  // One round at a time: what is watched is the reading, not how much the sequencer holds. JACK's
  // ring takes the whole burst.
  bool roundByRound;
};

const MidiSystem kJack{"Jack", platform::MidiSystems::Jack, [] { return std::unique_ptr<Peer>(new JackPeer); }, false};
const MidiSystem kAlsaSequencer{"AlsaSequencer", platform::MidiSystems::AlsaSequencer,
                                [] { return std::unique_ptr<Peer>(new SequencerPeer); }, true};

// The system's name in the test's name, where ctest shows the parameter.
void PrintTo(const MidiSystem& system, std::ostream* out) { *out << system.name; }

class InputThread : public ::testing::TestWithParam<MidiSystem> {};

TEST_P(InputThread, AllocatesAndLocksNothingWhileTrafficFlows) {
  const MidiSystem& system = GetParam();
  const std::unique_ptr<Peer> peer = system.makePeer();
  platform::SystemsTransport transport(system.systems);
  const std::optional<UINT> source = peer->SourceIn(transport);
  ASSERT_TRUE(source) << "the peer's port is not listed";
  testsupport::CountingSink sink(kSysexSize);
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(*source, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);

  ASSERT_TRUE(peer->Send({static_cast<unsigned char>(testsupport::kAllocatingMessage)}));
  ASSERT_TRUE(testsupport::WaitForCount(sink.shorts, 1));
  EXPECT_GT(testsupport::HeapCallsOnWatchedThread(), 0u);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_GT(testsupport::LockCallsOnWatchedThread(), 0u);
#endif

  testsupport::WatchThread(sink.driverThread);
  constexpr int kRounds = 100;
  for (int round = 0; round < kRounds; ++round) {
    for (const testsupport::Bytes& message : {testsupport::Bytes{0x90, 0x3C, 0x40}, testsupport::Bytes{0xC0, 0x05},
                                              testsupport::Bytes{0xF8}, testsupport::Sysex(kSysexSize, round)})
      ASSERT_TRUE(peer->Send(message));
    if (system.roundByRound) {
      ASSERT_TRUE(testsupport::WaitForCount(sink.wholeSysex, round + 1)) << "round " << round;
    }
  }
  ASSERT_TRUE(testsupport::WaitForCount(sink.shorts, 1 + 3 * kRounds));
  ASSERT_TRUE(testsupport::WaitForCount(sink.wholeSysex, kRounds));
  EXPECT_EQ(testsupport::HeapCallsOnWatchedThread(), 0u);
  EXPECT_EQ(testsupport::LockCallsOnWatchedThread(), 0u);
  testsupport::StopWatching();
}

// In this order: the build runs case 0 (JACK) and the ALSA guest case 1 (tests/alsa).
INSTANTIATE_TEST_SUITE_P(EachSystem, InputThread, ::testing::Values(kJack, kAlsaSequencer));

}  // namespace
