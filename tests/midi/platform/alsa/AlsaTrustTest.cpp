// Only the device is believed over the ALSA sequencer: no other client may subscribe to the
// transport's input or connect a port to it, what another client sends to its address directly
// is ignored, and input the sequencer dropped for it is reported as a loss. This machine's kernel
// has no sequencer: run it in scripts/midi-vm.
#include <alsa/asoundlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/platform/alsa/SequencerAddress.h"
#include "midi/platform/systems/SystemsTransport.h"
#include "tests/support/AlsaPeer.h"
#include "tests/support/RecordingSink.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Bytes;
using testsupport::Received;

constexpr std::chrono::seconds kWait{5};
constexpr DWORD kNoteOn = 0x403C90;
constexpr DWORD kNoteOff = 0x003C80;

// A sequencer client of the test's own besides the device, with a port it may send from.
class ThirdClient {
 public:
  explicit ThirdClient(const std::string& name) {
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0)
      throw std::runtime_error("the third client cannot open the sequencer");
    sequencer_.reset(sequencer);
    snd_seq_set_client_name(sequencer, name.c_str());
    port_ = snd_seq_create_simple_port(sequencer, "forged replies", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0) throw std::runtime_error("the third client cannot make its port");
  }

  snd_seq_addr_t Address() const {
    return {static_cast<unsigned char>(snd_seq_client_id(sequencer_.get())), static_cast<unsigned char>(port_)};
  }

  // The ports subscribed to what `source` sends.
  std::vector<snd_seq_addr_t> SubscribersOf(snd_seq_addr_t source) const {
    std::vector<snd_seq_addr_t> subscribers;
    snd_seq_query_subscribe_t* query = nullptr;
    snd_seq_query_subscribe_alloca(&query);
    snd_seq_query_subscribe_set_root(query, &source);
    snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
    for (int index = 0;; ++index) {
      snd_seq_query_subscribe_set_index(query, index);
      if (snd_seq_query_port_subscribers(sequencer_.get(), query) < 0) break;
      subscribers.push_back(*snd_seq_query_subscribe_get_addr(query));
    }
    return subscribers;
  }

  // Asks the sequencer to deliver what `sender` sends to `destination`; the kernel's answer.
  int Subscribe(snd_seq_addr_t sender, snd_seq_addr_t destination) {
    snd_seq_port_subscribe_t* subscription = nullptr;
    snd_seq_port_subscribe_alloca(&subscription);
    snd_seq_port_subscribe_set_sender(subscription, &sender);
    snd_seq_port_subscribe_set_dest(subscription, &destination);
    return snd_seq_subscribe_port(sequencer_.get(), subscription);
  }

  // Sends `message` as one event straight to `destination`, not through a subscription.
  bool SendTo(snd_seq_addr_t destination, const Bytes& message) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, port_);
    snd_seq_ev_set_dest(&event, destination.client, destination.port);
    snd_seq_ev_set_direct(&event);
    if (message.front() == 0xF0) {
      snd_seq_ev_set_sysex(&event, message.size(), const_cast<unsigned char*>(message.data()));
    } else {
      snd_seq_ev_set_noteon(&event, message[0] & 0x0F, message[1], message[2]);
    }
    return snd_seq_event_output_direct(sequencer_.get(), &event) >= 0;
  }

 private:
  testsupport::Sequencer sequencer_;
  int port_ = -1;
};

std::string Named(snd_seq_addr_t address) {
  return std::to_string(address.client) + ":" + std::to_string(address.port);
}

std::vector<std::string> Named(const std::vector<snd_seq_addr_t>& addresses) {
  std::vector<std::string> names;
  for (const snd_seq_addr_t address : addresses) names.push_back(Named(address));
  return names;
}

class AlsaTrust : public testing::Test {
 protected:
  void SetUp() override {
    std::optional<UINT> source;
    for (UINT index = 0, count = transport_.InputCount(); index < count && !source; ++index) {
      platform::PortInfo info;
      if (transport_.InputInfo(index, info) && info.name == device_.SourceName()) source = index;
    }
    ASSERT_TRUE(source) << device_.SourceName() << " is not listed";
    MMRESULT result = MMSYSERR_ERROR;
    input_ = transport_.OpenInput(*source, sink_, result);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    deviceAddress_ = *platform::SequencerAddressOf(device_.SourceName());
    const std::vector<snd_seq_addr_t> subscribers = third_.SubscribersOf(deviceAddress_);
    ASSERT_EQ(subscribers.size(), 1u) << "our input is the device's only subscriber";
    ours_ = subscribers[0];
  }

  // A reading thread still held in the sink would keep the input from closing.
  void TearDown() override { sink_.Release(); }

  // What the input received once the device's note off has come after it.
  std::vector<Received> ReceivedUpToTheDevicesNoteOff() {
    EXPECT_TRUE(device_.Send({0x80, 0x3C, 0x00}));
    const auto giveUp = std::chrono::steady_clock::now() + kWait;
    std::vector<Received> received = sink_.Messages();
    while ((received.empty() || !(received.back() == testsupport::Short(kNoteOff))) &&
           std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(1ms);
      received = sink_.Messages();
    }
    return received;
  }

  testsupport::AlsaPeer device_;
  platform::SystemsTransport transport_{platform::MidiSystems::AlsaSequencer};
  testsupport::RecordingSink sink_;
  std::unique_ptr<platform::InputConnection> input_;
  ThirdClient third_{"third-client-" + std::to_string(getpid())};
  snd_seq_addr_t deviceAddress_{};
  snd_seq_addr_t ours_{};
};

TEST_F(AlsaTrust, NoOtherClientCanSubscribeToOurInputOrConnectAPortToIt) {
  EXPECT_LT(third_.Subscribe(third_.Address(), ours_), 0) << "the third client subscribed to our input";
  ThirdClient connector("connector-" + std::to_string(getpid()));
  EXPECT_LT(connector.Subscribe(third_.Address(), ours_), 0) << "a client connected another's port to our input";
  EXPECT_TRUE(third_.SubscribersOf(third_.Address()).empty());
  EXPECT_EQ(Named(third_.SubscribersOf(deviceAddress_)), std::vector<std::string>{Named(ours_)});
  EXPECT_EQ(ReceivedUpToTheDevicesNoteOff(), std::vector<Received>{testsupport::Short(kNoteOff)})
      << "the device's own connection carries on";
}

// The kernel delivers what any client sends straight to a port that takes events at all; it
// fills in the sending client itself, so the reader can tell the device's events from the rest.
TEST_F(AlsaTrust, WhatAnotherClientSendsStraightToOurAddressIsIgnored) {
  ASSERT_TRUE(third_.SendTo(ours_, firmware::ConversationBytes(firmware::kReadyReply)));
  ASSERT_TRUE(third_.SendTo(ours_, {0x90, 0x3C, 0x40}));
  ASSERT_TRUE(third_.SendTo(ours_, firmware::ConversationBytes(firmware::kBlockAckReply)));
  EXPECT_EQ(ReceivedUpToTheDevicesNoteOff(), std::vector<Received>{testsupport::Short(kNoteOff)});
}

// While the reading thread is held in the sink, the device sends more than the input's pool of
// 2,000 events holds: the sequencer drops the rest and, at the next read, what it held.
TEST_F(AlsaTrust, InputTheSequencerDroppedIsReportedAsALoss) {
  constexpr int kFlood = 3000;
  sink_.Block();
  ASSERT_TRUE(device_.Send({0x90, 0x3C, 0x40}));
  const auto giveUp = std::chrono::steady_clock::now() + kWait;
  while (sink_.Calls() == 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(sink_.Calls(), 1) << "the reading thread never reached the sink";
  // A send the full pool refuses is dropped all the same; either way it is not read.
  for (int note = 0; note < kFlood; ++note) device_.Send({0x90, 0x3C, 0x40});
  sink_.Release();
  const auto reported = [this] {
    const std::vector<Received> received = sink_.Messages();
    return std::find(received.begin(), received.end(), testsupport::Loss()) != received.end();
  };
  while (!reported() && std::chrono::steady_clock::now() < giveUp + kWait) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(reported()) << "the sequencer's overrun was not reported";

  // Once the reader is past the overrun, the pool has room again.
  const std::vector<Received> received = ReceivedUpToTheDevicesNoteOff();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), testsupport::Short(kNoteOff));
  EXPECT_LT(received.size(), static_cast<std::size_t>(kFlood)) << "nothing was dropped";
}

}  // namespace
