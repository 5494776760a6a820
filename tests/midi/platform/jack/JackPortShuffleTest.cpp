// Discovery while another program removes and makes again a port in each direction, listed before
// the device's, so that each change numbers the device's ports one lower or higher. The changes
// come at random points between the questions the tool asks the transport (a count, a name, an
// open), where a thread of their own would seldom meet the short spans between them. In 100
// discoveries, each on fresh port objects as the program makes them, the tool connects to the
// device's two ports and to no other. Over a JACK server of the test's own.
#include <jack/jack.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "framework/ErrorText.h"
#include "framework/ExceptionGuard.h"
#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"
#include "midi/platform/jack/ReceivedEvents.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/support/PrivateJackServer.h"
#include "tests/support/ProgrammerUnderTest.h"

namespace {

constexpr int kRuns = 100;
// A tick that finds a port it counted gone ends there, and the next one starts over.
constexpr int kMostTicksPerRun = 50;

std::string OwnName(const std::string& role) { return role + "-of-the-shuffle-test-" + std::to_string(getpid()); }

// A plain client of the test's own, for what the test asks the server.
class JackClient {
 public:
  explicit JackClient(const std::string& name) : client_(jack_client_open(name.c_str(), JackNoStartServer, nullptr)) {}
  ~JackClient() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;
  jack_client_t* get() const { return client_; }

 private:
  jack_client_t* const client_;
};

// The full names of the ports connected with `port`.
std::set<std::string> ConnectionsOf(const JackClient& asking, const std::string& port) {
  std::set<std::string> names;
  jack_port_t* const found = jack_port_by_name(asking.get(), port.c_str());
  if (found == nullptr) return names;
  const char** connections = jack_port_get_all_connections(asking.get(), found);
  for (const char** name = connections; name != nullptr && *name != nullptr; ++name) names.insert(*name);
  jack_free(connections);
  return names;
}

// Another program: a port in each direction, made before the device's, that it removes and makes
// again. JACK lists ports in the order of their places in its table and gives a new port the
// lowest free place, so each comes back before the device's and shifts the device's numbers.
class PortShuffler {
 public:
  // Active, as a program is: JACK connects no port of a client that is not.
  PortShuffler() : client_(OwnName("port-shuffler")) {
    Register();
    if (client_.get() != nullptr) active_ = jack_activate(client_.get()) == 0;
  }
  bool Ready() const { return active_ && source_ != nullptr && destination_ != nullptr; }
  // Returns once the server has taken the change in.
  void Toggle() {
    if (source_ == nullptr) {
      Register();
    } else {
      jack_port_unregister(client_.get(), source_);
      jack_port_unregister(client_.get(), destination_);
      source_ = destination_ = nullptr;
    }
    ++toggles_;
  }
  int Toggles() const { return toggles_; }

 private:
  void Register() {
    if (client_.get() == nullptr) return;
    source_ = jack_port_register(client_.get(), "source", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    destination_ = jack_port_register(client_.get(), "destination", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  }

  JackClient client_;
  jack_port_t* source_ = nullptr;
  jack_port_t* destination_ = nullptr;
  int toggles_ = 0;
  bool active_ = false;
};

// The program's transport, with the other program's ports coming or going, at random, just before
// any question the tool asks it: between a count and the names asked after it, between the scan
// and the open, between the two directions.
class ShuffledTransport final : public platform::Transport {
 public:
  explicit ShuffledTransport(PortShuffler& shuffler) : shuffler_(shuffler) {}

  UINT InputCount() override { return Shuffled().InputCount(); }
  UINT OutputCount() override { return Shuffled().OutputCount(); }
  bool InputInfo(UINT index, platform::PortInfo& info) override { return Shuffled().InputInfo(index, info); }
  bool OutputInfo(UINT index, platform::PortInfo& info) override { return Shuffled().OutputInfo(index, info); }
  std::unique_ptr<platform::InputConnection> OpenInput(UINT index, platform::InputSink& sink,
                                                       MMRESULT& result) override {
    return Shuffled().OpenInput(index, sink, result);
  }
  std::unique_ptr<platform::OutputConnection> OpenOutput(UINT index, MMRESULT& result) override {
    return Shuffled().OpenOutput(index, result);
  }

 private:
  platform::Transport& Shuffled() {
    if (coin_(random_) == 1) shuffler_.Toggle();
    return real_;
  }

  PortShuffler& shuffler_;
  platform::SystemsTransport real_{platform::MidiSystems::Jack};
  std::minstd_rand random_{20};
  std::uniform_int_distribution<int> coin_{0, 7};
};

// The number a fresh count gives the port named `name` among the transport's inputs or outputs.
std::optional<UINT> NumberOf(platform::Transport& transport, bool input, const std::string& name) {
  platform::PortInfo info;
  for (UINT index = 0, count = input ? transport.InputCount() : transport.OutputCount(); index < count; ++index) {
    if ((input ? transport.InputInfo(index, info) : transport.OutputInfo(index, info)) && info.name == name)
      return index;
  }
  return std::nullopt;
}

// What reaches the exception guard, where the program would show an error box.
class EscapedTexts {
 public:
  EscapedTexts()
      : previous_(framework::SetExceptionHook([this](std::exception_ptr error) {
          texts_.insert(framework::MessageOf(error));
          ++count_;
        })) {}
  ~EscapedTexts() { framework::SetExceptionHook(previous_); }
  EscapedTexts(const EscapedTexts&) = delete;
  EscapedTexts& operator=(const EscapedTexts&) = delete;
  int Count() const { return count_; }
  std::string Summary() const {
    std::string summary = std::to_string(count_) + " ticks ended early";
    for (const std::string& text : texts_) summary += "; \"" + text + "\"";
    return summary;
  }

 private:
  std::set<std::string> texts_;
  int count_ = 0;
  framework::ExceptionHook previous_;
};

class InstalledTransport {
 public:
  explicit InstalledTransport(PortShuffler& shuffler)
      : previous_(platform::InstallTransport(std::make_unique<ShuffledTransport>(shuffler))) {}
  ~InstalledTransport() { platform::InstallTransport(std::move(previous_)); }

 private:
  std::unique_ptr<platform::Transport> previous_;
};

TEST(JackPortShuffle, DiscoveryConnectsToTheDevicesPortsAndNoOtherWhilePortsBeforeThemComeAndGo) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  PortShuffler shuffler;
  ASSERT_TRUE(shuffler.Ready());
  platform::ReceivedEvents arrivals;
  const auto deviceIn = platform::JackMidiInput::Open(OwnName("qlt1-in"), firmware::kDevicePortName, arrivals);
  const auto deviceOut = platform::JackMidiOutput::Open(OwnName("qlt1-out"), firmware::kDevicePortName);
  ASSERT_TRUE(deviceIn != nullptr && deviceOut != nullptr);
  const std::string deviceDestination = deviceIn->Client().Name();
  const std::string deviceSource = deviceOut->Client().Name();
  {
    platform::SystemsTransport observer(platform::MidiSystems::Jack);
    const auto before = [&] {
      return std::pair{NumberOf(observer, true, deviceSource), NumberOf(observer, false, deviceDestination)};
    };
    const auto withTheOtherPorts = before();
    shuffler.Toggle();
    const auto withoutThem = before();
    shuffler.Toggle();
    ASSERT_TRUE(withTheOtherPorts.first && withTheOtherPorts.second && withoutThem.first && withoutThem.second);
    ASSERT_EQ(*withTheOtherPorts.first, *withoutThem.first + 1) << "the other program's port is not listed first";
    ASSERT_EQ(*withTheOtherPorts.second, *withoutThem.second + 1) << "the other program's port is not listed first";
  }
  InstalledTransport transport(shuffler);
  JackClient asking(OwnName("connection-watch"));
  ASSERT_NE(asking.get(), nullptr);
  EscapedTexts escaped;
  int ticks = 0;
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    testsupport::ProgrammerUnderTest programmer;
    programmer.TickOnlyByHand();
    for (int tick = 0; tick < kMostTicksPerRun && programmer.log.empty(); ++tick, ++ticks)
      testsupport::TickNow(programmer->DiscoveryTimer());
    ASSERT_EQ(programmer.log, std::vector<std::string>{">USB Midi Connected"}) << escaped.Summary();
    const std::set<std::string> toTheDevice = ConnectionsOf(asking, deviceDestination);
    const std::set<std::string> fromTheDevice = ConnectionsOf(asking, deviceSource);
    ASSERT_EQ(toTheDevice.size(), 1u) << "the tool's output is connected elsewhere";
    ASSERT_EQ(fromTheDevice.size(), 1u) << "the tool's input is connected elsewhere";
  }
  std::cout << kRuns << " discoveries in " << ticks << " ticks while the other program's ports came or went "
            << shuffler.Toggles() << " times; " << escaped.Summary() << "\n";
}

}  // namespace
