// Virtual devices as the emulation sees them: numbers, names and opening.
#include <gtest/gtest.h>

#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/support/RecordingSink.h"

namespace {

using platform::PortInfo;
using platform::SimulatedTransport;

std::string InputName(SimulatedTransport& sim, UINT index) {
  PortInfo info;
  return sim.InputInfo(index, info) ? info.name : "<none>";
}

TEST(SimulatedDevices, NumbersFollowCreationAndCloseUpOnRemove) {
  SimulatedTransport sim;
  const auto a = sim.AddInput("in A");
  const auto out = sim.AddOutput("out A");
  sim.AddInput("in B");
  const auto c = sim.AddInput(PortInfo{"in C", 0x7D, 0x12, 0x0104});
  EXPECT_EQ(sim.InputCount(), 3u);
  EXPECT_EQ(InputName(sim, 1), "in B");

  sim.Remove(a);
  sim.Rename(c, "in C (2)");
  EXPECT_EQ(sim.InputCount(), 2u);
  EXPECT_EQ(InputName(sim, 0), "in B");
  PortInfo info;
  ASSERT_TRUE(sim.InputInfo(1, info));
  EXPECT_EQ(info.name, "in C (2)");
  EXPECT_EQ(info.manufacturerId, 0x7D);
  EXPECT_EQ(info.productId, 0x12);
  EXPECT_EQ(info.driverVersion, 0x0104u);
  EXPECT_FALSE(sim.InputInfo(2, info));
  ASSERT_TRUE(sim.OutputInfo(0, info));
  EXPECT_EQ(info.name, "out A");

  sim.Remove(out);
  EXPECT_EQ(sim.OutputCount(), 0u);
  EXPECT_FALSE(sim.OutputInfo(0, info));
}

TEST(SimulatedDevices, OpenRefusesBadNumbersAndDevicesAlreadyOpen) {
  SimulatedTransport sim;
  const auto gone = sim.AddInput("gone");
  const auto in = sim.AddInput("in");
  const auto out = sim.AddOutput("out");
  sim.Remove(gone);
  testsupport::RecordingSink sink;
  MMRESULT result = MMSYSERR_NOERROR;

  EXPECT_EQ(sim.OpenInput(1, sink, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_BADDEVICEID);
  EXPECT_EQ(sim.OpenOutput(1, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_BADDEVICEID);

  auto input = sim.OpenInput(0, sink, result);
  EXPECT_EQ(result, MMSYSERR_NOERROR);
  auto output = sim.OpenOutput(0, result);
  EXPECT_EQ(result, MMSYSERR_NOERROR);
  EXPECT_TRUE(sim.IsOpen(in) && sim.IsOpen(out));
  EXPECT_FALSE(sim.IsOpen(gone));

  EXPECT_EQ(sim.OpenInput(0, sink, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_ALLOCATED);
  EXPECT_EQ(sim.OpenOutput(0, result), nullptr);
  EXPECT_EQ(result, MMSYSERR_ALLOCATED);

  input.reset();
  output.reset();
  EXPECT_FALSE(sim.IsOpen(in) || sim.IsOpen(out));
  EXPECT_NE(sim.OpenInput(0, sink, result), nullptr);
  EXPECT_NE(sim.OpenOutput(0, result), nullptr);
}

}  // namespace
