#pragma once

// The programmer connected to the device's simulated ports as discovery leaves it: probing, with
// its log emptied. The device's replies are injected by hand and the timers' ticks run by hand.

#include <gtest/gtest.h>

#include "firmware/Conversation.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"
#include "tests/support/TickNow.h"

namespace testsupport {

class ConnectedProgrammerTest : public PortTestBase {
 protected:
  void SetUp() override {
    toolInput_ = Sim().AddInput(firmware::kDevicePortName);
    toolOutput_ = Sim().AddOutput(firmware::kDevicePortName);
    programmer_.TickOnlyByHand();
    programmer_->Start();
    ASSERT_TRUE(TickNow(programmer_->DiscoveryTimer()));
    programmer_.log.clear();
  }

  // The simulated ports the programmer opened: the device's replies are injected into the first,
  // what the tool sent is read from the second.
  platform::SimulatedTransport::DeviceId toolInput_{};
  platform::SimulatedTransport::DeviceId toolOutput_{};
  ProgrammerUnderTest programmer_;
};

}  // namespace testsupport
