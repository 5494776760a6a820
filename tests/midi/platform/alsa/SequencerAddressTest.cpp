// The sequencer address at the end of a listed port name, and names that carry none: a port is
// opened by its address, so a wrong one would connect the tool to another port.
#include <gtest/gtest.h>

#include "midi/platform/alsa/SequencerAddress.h"

namespace {

using platform::SequencerAddressOf;

TEST(SequencerAddress, IsTakenFromTheEndOfTheListedName) {
  const auto through = SequencerAddressOf("Midi Through:Midi Through Port-0 14:0");
  ASSERT_TRUE(through);
  EXPECT_EQ(through->client, 14);
  EXPECT_EQ(through->port, 0);
  // Client and port names may hold spaces and colons of their own.
  const auto device = SequencerAddressOf("QLT-1:QZ Korvalith port 2: 2 128:255");
  ASSERT_TRUE(device);
  EXPECT_EQ(device->client, 128);
  EXPECT_EQ(device->port, 255);
}

TEST(SequencerAddress, NamesWithoutAValidAddressGiveNone) {
  for (const char* name :
       {"", "Midi Through", "Midi Through:Port 14", "client:port 14:", "client:port :0", "client:port 256:0",
        "client:port 14:-1", "client:port 14:0 ", "client:port 1x:0", "client:port14:0"})
    EXPECT_FALSE(SequencerAddressOf(name)) << name;
}

}  // namespace
