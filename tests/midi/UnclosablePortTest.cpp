// Ports whose device refuses to close even at their destruction: the memory the device may still
// write stays, but nothing is delivered into the destroyed port any more. The devices stay open
// for the rest of the run; what the ports keep for them is never released, which the leak
// checker of a sanitizer build is told.
#include <array>
#include <cstddef>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "tests/support/KeptOnPurpose.h"
#include "tests/support/PortTestBase.h"

namespace {

using platform::PlatformCall;

// Room for one port, so that the test can look at its bytes after the port is gone.
template <typename Port>
struct PortStorage {
  alignas(Port) std::array<std::byte, sizeof(Port)> bytes;
  Port* Create(framework::TComponent* owner) { return new (bytes.data()) Port(owner); }
};

class UnclosablePortTest : public testsupport::PortTestBase {};

TEST_F(UnclosablePortTest, ADestroyedInputPortIsNotCalledAgain) {
  KEEPS_MEMORY_ON_PURPOSE;
  const auto device = Sim().AddInput("Bass In");
  PortStorage<midi::TMidiInput> storage;
  midi::TMidiInput* port = storage.Create(&owner_);
  port->Open();
  port->Start();
  Faults().FailAlways(PlatformCall::midiInClose, MMSYSERR_ERROR);
  port->~TMidiInput();
  const auto dead = storage.bytes;
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(storage.bytes, dead) << "a notice queued by the closing reached the destroyed port";
  EXPECT_TRUE(Sim().IsOpen(device));
  EXPECT_EQ(escaped_.size(), 1u) << "the failed close is shown";
}

TEST_F(UnclosablePortTest, ADestroyedOutputPortIsNotCalledAgain) {
  KEEPS_MEMORY_ON_PURPOSE;
  const auto device = Sim().AddOutput("Bass Out");
  PortStorage<midi::TMidiOutput> storage;
  midi::TMidiOutput* port = storage.Create(&owner_);
  ASSERT_TRUE(port->Open());
  Sim().HoldOutput(device, true);
  const auto probe = firmware::ConversationMessage(firmware::kProbeRequest);
  port->SendLongMsg(probe.data(), static_cast<WORD>(probe.size()));
  Faults().FailAlways(PlatformCall::midiOutClose, MMSYSERR_ERROR);
  port->~TMidiOutput();
  const auto dead = storage.bytes;
  ASSERT_TRUE(testsupport::ProcessPendingEvents());
  EXPECT_EQ(storage.bytes, dead);
  EXPECT_TRUE(Sim().IsOpen(device));
}

}  // namespace
