#pragma once

// Installs a fresh simulated transport for one test and takes it away afterwards; the transport
// it replaces (normally none) comes back.

#include <memory>

#include <gtest/gtest.h>

#include "midi/platform/GlobalMemory.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace testsupport {

class SimulatedPlatformTest : public testing::Test {
 protected:
  SimulatedPlatformTest() {
    auto transport = std::make_unique<platform::SimulatedTransport>();
    sim_ = transport.get();
    previous_ = platform::InstallTransport(std::move(transport));
    blocksAtStart_ = GlobalBlocksInUse();
  }

  ~SimulatedPlatformTest() override { platform::InstallTransport(std::move(previous_)); }

  platform::SimulatedTransport& Sim() { return *sim_; }
  platform::FaultInjector& Faults() { return sim_->FaultPlan(); }
  // Shared blocks obtained since the test began and not released.
  std::size_t BlocksLeaked() const { return GlobalBlocksInUse() - blocksAtStart_; }

 private:
  platform::SimulatedTransport* sim_;
  std::unique_ptr<platform::Transport> previous_;
  std::size_t blocksAtStart_;
};

}  // namespace testsupport
