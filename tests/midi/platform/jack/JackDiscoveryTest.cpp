// Finding JACK: silently absent, found within the retry interval once a server runs, lost when it
// stops, found again when it comes back; ports named in full, our own ports never listed; a
// count's numbers naming and opening the ports it listed, whatever came or went since.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"
#include "midi/platform/jack/ReceivedEvents.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PrivateJackServer.h"
#include "tests/support/RecordingSink.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::SystemsTransport;

// Takes what the process writes to stdout and stderr until Finish(). Should the test end before
// that, the text goes to the real output after all.
class OutputCapture {
 public:
  OutputCapture() : file_(std::tmpfile()), out_(dup(STDOUT_FILENO)), err_(dup(STDERR_FILENO)) {
    std::fflush(nullptr);
    dup2(fileno(file_), STDOUT_FILENO);
    dup2(fileno(file_), STDERR_FILENO);
  }
  ~OutputCapture() {
    if (file_ != nullptr) std::fputs(Finish().c_str(), stdout);
  }
  std::string Finish() {
    std::cerr.flush();
    std::fflush(nullptr);
    dup2(out_, STDOUT_FILENO);
    dup2(err_, STDERR_FILENO);
    close(out_);
    close(err_);
    std::rewind(file_);
    std::string text;
    for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
    std::fclose(std::exchange(file_, nullptr));
    return text;
  }

 private:
  std::FILE* file_;
  const int out_, err_;
};

std::vector<std::string> InputNames(SystemsTransport& transport) {
  std::vector<std::string> names;
  platform::PortInfo info;
  for (UINT i = 0, count = transport.InputCount(); i < count && transport.InputInfo(i, info); ++i)
    names.push_back(info.name);
  return names;
}

std::vector<std::string> OutputNames(SystemsTransport& transport) {
  std::vector<std::string> names;
  platform::PortInfo info;
  for (UINT i = 0, count = transport.OutputCount(); i < count && transport.OutputInfo(i, info); ++i)
    names.push_back(info.name);
  return names;
}

// A program's port made before the peer's, so that JACK lists it first.
std::string EarlierClient() { return "earlier-program-of-the-listing-test-" + std::to_string(getpid()); }

// Polls as the program does, four times a second; the time the ports appeared, if they did.
std::optional<Clock::time_point> WaitForOutputs(SystemsTransport& transport, bool present, Clock::duration timeout) {
  for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline; std::this_thread::sleep_for(250ms)) {
    if ((transport.OutputCount() > 0) == present) return Clock::now();
  }
  return std::nullopt;
}

TEST(JackDiscovery, AbsentServerIsSilentAndALaterOneIsFoundWithinTheRetryInterval) {
  testsupport::PrivateJackServer server;
  OutputCapture capture;
  SystemsTransport transport(platform::MidiSystems::Jack);
  const Clock::time_point firstLook = Clock::now();
  EXPECT_EQ(transport.InputCount(), 0u);
  EXPECT_EQ(transport.OutputCount(), 0u);
  platform::PortInfo info;
  EXPECT_FALSE(transport.InputInfo(0, info));

  ASSERT_TRUE(server.Start());
  testsupport::LoopbackPeer peer;
  // A poll before the retry interval has passed does not look for the server again.
  const UINT early = transport.OutputCount();
  if (Clock::now() < firstLook + SystemsTransport::kRetryInterval) {
    EXPECT_EQ(early, 0u);
  }
  const auto found = WaitForOutputs(transport, true, SystemsTransport::kRetryInterval + 3s);
  ASSERT_TRUE(found.has_value());
  EXPECT_LE(*found - firstLook, SystemsTransport::kRetryInterval + 1s);
  EXPECT_EQ(InputNames(transport), std::vector{peer.SourceName()});

  server.Stop();
  EXPECT_TRUE(WaitForOutputs(transport, false, 5s).has_value());
  EXPECT_EQ(capture.Finish(), "");
}

TEST(JackDiscovery, ARestartedServerIsFoundAgainAndOurOwnPortsAreNeverListed) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  SystemsTransport transport(platform::MidiSystems::Jack);
  {
    testsupport::LoopbackPeer peer;
    ASSERT_EQ(transport.OutputCount(), 1u);
    server.Stop();
    ASSERT_TRUE(WaitForOutputs(transport, false, 5s).has_value());
  }
  ASSERT_TRUE(server.Start());
  testsupport::LoopbackPeer peer;
  ASSERT_TRUE(WaitForOutputs(transport, true, SystemsTransport::kRetryInterval + 3s).has_value());
  platform::PortInfo info;
  ASSERT_TRUE(transport.OutputInfo(0, info));
  EXPECT_EQ(info.name, peer.DestinationName());

  // Our output port is a source to everyone else, and our input port a destination.
  MMRESULT result = MMSYSERR_ERROR;
  const auto output = transport.OpenOutput(0, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  testsupport::RecordingSink sink;
  const auto input = transport.OpenInput(0, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  EXPECT_EQ(InputNames(transport), std::vector{peer.SourceName()});
  EXPECT_EQ(transport.OutputCount(), 1u);
}

// The program's scan reads a name, and opens that number later: the port it opens is the one it
// read, though a port listed before it went away in between and a fresh listing would number it
// one lower.
TEST(JackListing, ANumberOpensThePortItsCountListedThoughAnEarlierPortWentSince) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  auto earlier = platform::JackMidiOutput::Open(EarlierClient(), "earlier");
  ASSERT_NE(earlier, nullptr);
  testsupport::LoopbackPeer peer;
  SystemsTransport transport(platform::MidiSystems::Jack);
  ASSERT_EQ(InputNames(transport), (std::vector{earlier->Client().Name(), peer.SourceName()}));

  earlier.reset();
  platform::PortInfo info;
  ASSERT_TRUE(transport.InputInfo(1, info));
  EXPECT_EQ(info.name, peer.SourceName());
  testsupport::RecordingSink sink;
  MMRESULT result = MMSYSERR_ERROR;
  const auto input = transport.OpenInput(1, sink, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  ASSERT_TRUE(peer.Send({0x90, 0x3C, 0x40}));
  EXPECT_EQ(sink.WaitForMessages(1, 5s), std::vector{testsupport::Short(0x403C90)});
}

// The port a number named is gone by its open: the open fails as for a number that names no
// device, rather than open the port a fresh listing now gives that number.
TEST(JackListing, APortGoneByItsOpenIsRefusedAndNoOtherPortIsOpened) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  platform::ReceivedEvents arrivals;
  auto earlier = platform::JackMidiInput::Open(EarlierClient(), "earlier", arrivals);
  ASSERT_NE(earlier, nullptr);
  testsupport::LoopbackPeer peer;
  SystemsTransport transport(platform::MidiSystems::Jack);
  ASSERT_EQ(OutputNames(transport), (std::vector{earlier->Client().Name(), peer.DestinationName()}));

  earlier.reset();
  MMRESULT result = MMSYSERR_NOERROR;
  EXPECT_EQ(transport.OpenOutput(0, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_BADDEVICEID);

  // The next count numbers the ports as they are now.
  ASSERT_EQ(OutputNames(transport), std::vector{peer.DestinationName()});
  const auto output = transport.OpenOutput(0, result);
  ASSERT_EQ(result, MMSYSERR_NOERROR);
  ASSERT_EQ(output->SendShort(0x403C90), MMSYSERR_NOERROR);
  EXPECT_EQ(peer.Received(1), (std::vector<testsupport::Bytes>{{0x90, 0x3C, 0x40}}));
}

}  // namespace
