// Only the device is believed over JACK: a third client that connects its output to the
// transport's input and sends forged replies changes nothing. Its connection is undone, what came
// while it was there is dropped and reported as a loss, and the device's own connection and
// traffic go on.
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/midi/platform/jack/ForgingClient.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PrivateJackServer.h"
#include "tests/support/RecordingSink.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Received;

constexpr DWORD kNoteOn = 0x403C90;
constexpr DWORD kNoteOff = 0x003C80;
// A connection is mostly undone before any cycle ran with it (nothing came over it); the forger
// connects again until one did, which took from 1 to 20 attempts here.
constexpr int kAttempts = 500;

std::optional<UINT> InputNamed(platform::Transport& transport, const std::string& name) {
  for (UINT index = 0, count = transport.InputCount(); index < count; ++index) {
    platform::PortInfo info;
    if (transport.InputInfo(index, info) && info.name == name) return index;
  }
  return std::nullopt;
}

// The messages once one equal to `last` has come, or what came within 10 s.
std::vector<Received> MessagesUntil(const testsupport::RecordingSink& sink, const Received& last) {
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  std::vector<Received> messages = sink.Messages();
  while ((messages.empty() || !(messages.back() == last)) && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(1ms);
    messages = sink.Messages();
  }
  return messages;
}

TEST(JackTrust, AThirdClientsForgedRepliesAreDroppedAsALossAndItsConnectionIsUndone) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  testsupport::LoopbackPeer device;
  platform::SystemsTransport transport(platform::MidiSystems::Jack);
  const std::optional<UINT> source = InputNamed(transport, device.SourceName());
  ASSERT_TRUE(source);
  testsupport::RecordingSink sink;
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(*source, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  ASSERT_TRUE(device.Send({0x90, 0x3C, 0x40}));
  ASSERT_EQ(MessagesUntil(sink, testsupport::Short(kNoteOn)), std::vector<Received>{testsupport::Short(kNoteOn)})
      << "the device alone loses nothing";

  testsupport::ForgingClient forger(
      {firmware::ConversationBytes(firmware::kReadyReply), firmware::ConversationBytes(firmware::kBlockAckReply)},
      true);
  const std::vector<std::string> ours = forger.ConnectionsOf(device.SourceName());
  ASSERT_EQ(ours.size(), 1u);
  for (int attempt = 0; attempt < kAttempts && forger.CyclesDelivered() == 0; ++attempt)
    ASSERT_TRUE(forger.ConnectUntilUndone(ours[0], 5s)) << "attempt " << attempt << ": the connection stayed";
  ASSERT_GT(forger.CyclesDelivered(), 0) << "no cycle carried the forged replies to our port";
  EXPECT_EQ(forger.ConnectionsOf(ours[0]), std::vector<std::string>{device.SourceName()});

  ASSERT_TRUE(device.Send({0x80, 0x3C, 0x00}));
  std::vector<Received> received = MessagesUntil(sink, testsupport::Short(kNoteOff));
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(received.front(), testsupport::Short(kNoteOn));
  EXPECT_EQ(received.back(), testsupport::Short(kNoteOff)) << "the device's connection stays";
  received = {received.begin() + 1, received.end() - 1};
  for (const Received& between : received) EXPECT_EQ(between, testsupport::Loss()) << "only losses, no reply";
  EXPECT_LE(received.size(), static_cast<std::size_t>(forger.CyclesDelivered())) << "at most one loss a cycle";
}

}  // namespace
