// Messages through the kernel's ALSA sequencer: the transport's input and output connected to the
// test's own sequencer ports, and to the kernel's own "Midi Through" port (a kernel client, as a
// USB interface is): short messages and System Exclusive arriving whole and in order, a run of
// block messages, what a receiver that does not read costs, the failures a send must report, and
// a program's ports numbered before the kernel clients'. This machine's kernel has no sequencer:
// run it in scripts/midi-vm.
#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/TableLayout.h"
#include "midi/platform/Direction.h"
#include "midi/platform/alsa/AlsaOutputPort.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/midi/platform/alsa/SequencerQueueZero.h"
#include "tests/support/AlsaPeer.h"
#include "tests/support/RecordingSink.h"

namespace {

using namespace std::chrono_literals;
using platform::Direction;
using testsupport::Bytes;
using testsupport::Sysex;

constexpr std::size_t kBlockMessageSize = firmware::kBlockLength;
constexpr std::chrono::seconds kWait{5};
// For the blocks' sends once the receiver reads again; a refused send is tried for 2 s at most.
constexpr std::chrono::seconds kSendingTime{20};

std::vector<Bytes> Blocks() {
  std::vector<Bytes> blocks;
  for (unsigned tag = 0; tag < 70; ++tag) blocks.push_back(Sysex(kBlockMessageSize, tag));
  return blocks;
}

// What arrived, each message by its number among `blocks` ("?" and its size when it is none of
// them): a failure names what went missing or changed instead of printing megabytes.
std::string Numbered(const std::vector<Bytes>& received, const std::vector<Bytes>& blocks) {
  std::string numbers;
  for (const Bytes& message : received) {
    const auto block = std::ranges::find(blocks, message);
    numbers += block == blocks.end() ? "?" + std::to_string(message.size()) : std::to_string(block - blocks.begin());
    numbers += ' ';
  }
  return numbers;
}

// For what nothing tells about, such as the port's count of retries: looks again every
// millisecond, for kWait at most.
bool Eventually(const std::function<bool()>& condition) {
  const auto giveUp = std::chrono::steady_clock::now() + kWait;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

std::optional<UINT> FindPort(platform::Transport& transport, Direction direction,
                             const std::function<bool(const std::string&)>& matches) {
  const bool input = direction == Direction::Input;
  const UINT count = input ? transport.InputCount() : transport.OutputCount();
  for (UINT index = 0; index < count; ++index) {
    platform::PortInfo info;
    if ((input ? transport.InputInfo(index, info) : transport.OutputInfo(index, info)) && matches(info.name))
      return index;
  }
  return std::nullopt;
}

std::optional<UINT> FindPort(platform::Transport& transport, Direction direction, const std::string& name) {
  return FindPort(transport, direction, [&](const std::string& listed) { return listed == name; });
}

class AlsaLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::optional<UINT> destination = FindPort(transport_, Direction::Output, peer_.DestinationName());
    ASSERT_TRUE(destination) << peer_.DestinationName() << " is not listed";
    destinationIndex_ = *destination;
    MMRESULT result = MMSYSERR_ERROR;
    output_ = transport_.OpenOutput(destinationIndex_, result);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    port_ = dynamic_cast<platform::AlsaOutputPort*>(output_.get());
    ASSERT_NE(port_, nullptr) << "the peer's port is not opened on the ALSA sequencer";
  }

  std::unique_ptr<platform::InputConnection> OpenPeerSource(testsupport::RecordingSink& sink) {
    const std::optional<UINT> source = FindPort(transport_, Direction::Input, peer_.SourceName());
    if (!source) return nullptr;
    MMRESULT result = MMSYSERR_ERROR;
    auto input = transport_.OpenInput(*source, sink, result);
    EXPECT_EQ(result, MMSYSERR_NOERROR);
    return input;
  }

  testsupport::AlsaPeer peer_;
  platform::SystemsTransport transport_{platform::MidiSystems::AlsaSequencer};
  testsupport::RecordingSink sink_;
  UINT destinationIndex_ = 0;
  std::unique_ptr<platform::OutputConnection> output_;
  platform::AlsaOutputPort* port_ = nullptr;
};

TEST_F(AlsaLoopback, InputDeliversShortMessagesAndSysexWholeAndInOrderUntilClosed) {
  auto input = OpenPeerSource(sink_);
  ASSERT_NE(input, nullptr);
  const Bytes block = Sysex(kBlockMessageSize, 1);
  for (const Bytes& message : {Bytes{0x90, 0x3C, 0x40}, Bytes{0xC0, 0x05}, Bytes{0xF8}, block, Bytes{0x80, 0x3C, 0x00}})
    ASSERT_TRUE(peer_.Send(message));
  using testsupport::Short;
  const std::vector expected{Short(0x403C90), Short(0x05C0), Short(0xF8), testsupport::Sysex(block), Short(0x003C80)};
  EXPECT_EQ(sink_.WaitForMessages(expected.size(), kWait), expected);

  input.reset();
  const int calls = sink_.Calls();
  // A second input on the same port shows when a message sent now has been delivered.
  testsupport::RecordingSink witness;
  auto second = OpenPeerSource(witness);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(peer_.Send({0x90, 0x3C, 0x40}));
  EXPECT_EQ(witness.WaitForMessages(1, kWait), std::vector{Short(0x403C90)});
  EXPECT_EQ(sink_.Calls(), calls);
}

TEST_F(AlsaLoopback, ShortMessagesGoOutWithTheLengthTheirStatusGives) {
  for (const DWORD message : {0x403C90u, 0x7705C0u, 0x7766F8u})
    EXPECT_EQ(output_->SendShort(message), MMSYSERR_NOERROR);
  EXPECT_EQ(output_->SendShort(0x403C), MMSYSERR_INVALPARAM);
  // A byte too many would arrive as a message of its own before this one.
  EXPECT_EQ(output_->SendShort(0x003C80), MMSYSERR_NOERROR);
  EXPECT_EQ(peer_.Received(4), (std::vector<Bytes>{{0x90, 0x3C, 0x40}, {0xC0, 0x05}, {0xF8}, {0x80, 0x3C, 0x00}}));
}

// Back to back in bursts of 8 blocks, about 900 of the peer's 2000 cells, each burst sent once the
// one before arrived: the sequencer holds a burst whole however late the peer's reader runs (all
// 70 at once would be lost to any reader that falls behind; the next test shows how), so any
// block missing, changed or out of order is the transport's.
TEST_F(AlsaLoopback, SeventyBlockMessagesBackToBackAllArriveIntactAndInOrder) {
  constexpr std::size_t kBurst = 8;
  const std::vector<Bytes> blocks = Blocks();
  for (std::size_t sent = 0; sent < blocks.size();) {
    for (const std::size_t end = std::min(sent + kBurst, blocks.size()); sent < end; ++sent)
      ASSERT_EQ(output_->SendLong(blocks[sent]), MMSYSERR_NOERROR);
    ASSERT_GE(peer_.Received(sent, kWait).size(), sent) << "a burst did not arrive whole";
  }
  const std::vector<Bytes> received = peer_.Received(blocks.size(), kWait);
  EXPECT_TRUE(received == blocks) << "arrived: " << Numbered(received, blocks);
  EXPECT_EQ(peer_.Overruns(), 0);
}

// With queue 0 there, as in the program, the sequencer refuses the sender nothing: a receiver that
// does not read loses every block it has no room for, and at its next read the ones it held, while
// every send succeeds and the port's retry never runs. Only a receiver that keeps up (or a
// conversation that waits for replies) keeps blocks from being lost on the ALSA sequencer.
TEST_F(AlsaLoopback, AReceiverThatStopsReadingLosesTheBlocksAndTheSenderIsNotTold) {
  ASSERT_TRUE(testsupport::SequencerQueueZero().Exists()) << "no queue 0, though the transport's listing makes one";
  peer_.Pause();
  for (const Bytes& block : Blocks()) {
    EXPECT_EQ(output_->SendLong(block), MMSYSERR_NOERROR);
    if (port_->Retries() > 0) break;  // each retried send may take seconds
  }
  EXPECT_EQ(port_->Retries(), 0u);
  peer_.Resume();
  EXPECT_TRUE(peer_.WaitForOverrun(kWait));
  const Bytes note{0x90, 0x3C, 0x40};
  ASSERT_EQ(output_->SendShort(0x403C90), MMSYSERR_NOERROR);
  ASSERT_TRUE(peer_.WaitFor(note, kWait));
  EXPECT_EQ(peer_.Received(1), std::vector<Bytes>{note});
}

// The latest count still lists the port when it goes: its number is refused as one that names no
// device.
TEST_F(AlsaLoopback, SendsToAPortThatWentAwayFail) {
  ASSERT_EQ(FindPort(transport_, Direction::Output, peer_.DestinationName()), destinationIndex_);
  peer_.RemoveDestination();
  EXPECT_EQ(output_->SendLong(Sysex(kBlockMessageSize, 0)), MIDIERR_NODEVICE);
  EXPECT_EQ(output_->SendShort(0x403C90), MIDIERR_NODEVICE);
  MMRESULT result = MMSYSERR_NOERROR;
  EXPECT_EQ(transport_.OpenOutput(destinationIndex_, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_BADDEVICEID);
}

// The sequencer without a queue 0: a receiver with no room makes it refuse a send.
class AlsaRefusingLoopback : public AlsaLoopback {
 protected:
  void SetUp() override {
    ASSERT_TRUE(queueZero_.Hold()) << "another client has the sequencer's queue 0";
    AlsaLoopback::SetUp();
    queueZero_.Release();
  }

  testsupport::SequencerQueueZero queueZero_;
};

// The port tries a refused send again until the receiver reads. By then the sequencer has thrown
// away what the receiver held, so blocks are lost whatever the sender does; but each block that
// arrives is whole, comes once and in order. A refused send leaves what RtMidi's client had not
// handed over yet for the next send to take along, so notes are sent until one arrives.
TEST_F(AlsaRefusingLoopback, ARefusedSendIsTriedAgainAndWhatArrivesIsWholeOnceAndInOrder) {
  peer_.Pause();
  const std::vector<Bytes> blocks = Blocks();
  auto sending = std::async(std::launch::async, [&] {
    std::vector<MMRESULT> results;
    for (const Bytes& block : blocks) results.push_back(output_->SendLong(block));
    return results;
  });
  const bool refused = Eventually([&] { return port_->Retries() > 0; });
  peer_.Resume();
  EXPECT_TRUE(refused) << "the sequencer refused no send";
  ASSERT_EQ(sending.wait_for(kSendingTime), std::future_status::ready);
  for (const MMRESULT result : sending.get()) EXPECT_EQ(result, MMSYSERR_NOERROR);

  const Bytes note{0x90, 0x3C, 0x40};
  const auto noteSentArrives = [&] {
    return output_->SendShort(0x403C90) == MMSYSERR_NOERROR && peer_.WaitFor(note, 50ms);
  };
  ASSERT_TRUE(Eventually(noteSentArrives));
  std::size_t previous = 0;
  int arrived = 0;
  for (const Bytes& message : peer_.Received(0)) {
    if (message == note) continue;
    const auto block = std::ranges::find(blocks, message);
    ASSERT_NE(block, blocks.end()) << "a block arrived changed";
    const auto number = static_cast<std::size_t>(block - blocks.begin()) + 1;
    EXPECT_GT(number, previous) << "block " << number - 1 << " arrived twice or out of order";
    previous = number;
    ++arrived;
  }
  RecordProperty("retries", static_cast<int>(port_->Retries()));
  RecordProperty("overruns", peer_.Overruns());
  RecordProperty("blocks_arrived", arrived);
}

// Offered at once, a block the sequencer refuses is neither waited for nor tried again: the send
// says it would wait and leaves it to a send that may wait.
TEST_F(AlsaRefusingLoopback, ASendOfferedAtOnceThatTheSequencerRefusesSaysItWouldWait) {
  peer_.Pause();
  std::optional<MMRESULT> result;
  for (const Bytes& block : Blocks()) {
    result = output_->TrySendLong(block);
    if (!result) break;
    ASSERT_EQ(*result, MMSYSERR_NOERROR);
  }
  peer_.Resume();
  EXPECT_FALSE(result) << "the sequencer refused no block";
  EXPECT_EQ(port_->Retries(), 0u);
}

TEST(AlsaKernelLoopback, MidiThroughCarriesSysexAndShortMessagesBackWholeAndInOrder) {
  platform::SystemsTransport transport(platform::MidiSystems::AlsaSequencer);
  const auto isMidiThrough = [](const std::string& name) { return name.starts_with("Midi Through:"); };
  const std::optional<UINT> in = FindPort(transport, Direction::Input, isMidiThrough);
  const std::optional<UINT> out = FindPort(transport, Direction::Output, isMidiThrough);
  ASSERT_TRUE(in && out) << "no Midi Through port: is snd-seq-dummy loaded?";
  testsupport::RecordingSink sink;
  MMRESULT result = MMSYSERR_ERROR;
  auto input = transport.OpenInput(*in, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  auto output = transport.OpenOutput(*out, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);

  const Bytes block = Sysex(kBlockMessageSize, 3);
  const Bytes reply = Sysex(12, 4);
  EXPECT_EQ(output->SendShort(0x403C90), MMSYSERR_NOERROR);
  EXPECT_EQ(output->SendLong(block), MMSYSERR_NOERROR);
  EXPECT_EQ(output->SendShort(0x05C0), MMSYSERR_NOERROR);
  EXPECT_EQ(output->SendShort(0xF8), MMSYSERR_NOERROR);
  EXPECT_EQ(output->TrySendLong(reply), MMSYSERR_NOERROR) << "a receiver with room takes it at once";
  EXPECT_EQ(output->SendShort(0x003C80), MMSYSERR_NOERROR);
  using testsupport::Short;
  const std::vector expected{Short(0x403C90), testsupport::Sysex(block), Short(0x05C0),
                             Short(0xF8),     testsupport::Sysex(reply), Short(0x003C80)};
  EXPECT_EQ(sink.WaitForMessages(expected.size(), kWait), expected);
}

// The sequencer lists its clients by number, the kernel's first; the transport numbers a
// program's ports (the peer's) before a kernel client's ("Midi Through", and the drivers of MIDI
// interfaces), so that a program named like the device never outranks the device's own port.
TEST(AlsaNumbering, AProgramsPortsAreNumberedBeforeTheKernelClientsPorts) {
  testsupport::AlsaPeer peer;
  platform::SystemsTransport transport(platform::MidiSystems::AlsaSequencer);
  const auto isMidiThrough = [](const std::string& name) { return name.starts_with("Midi Through:"); };
  for (const Direction direction : {Direction::Input, Direction::Output}) {
    const std::string program = direction == Direction::Input ? peer.SourceName() : peer.DestinationName();
    const std::optional<UINT> programs = FindPort(transport, direction, program);
    const std::optional<UINT> kernels = FindPort(transport, direction, isMidiThrough);
    ASSERT_TRUE(programs && kernels) << program << " or Midi Through is not listed";
    EXPECT_LT(*programs, *kernels);
  }
}

}  // namespace
