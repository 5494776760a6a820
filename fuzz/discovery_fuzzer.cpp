// libFuzzer target: device discovery and probing on a platform that misbehaves in any way the
// emulation allows: ports that come, go and change names between ticks, and any platform call
// failing with any result code, once or for good. Whatever happens, nothing may crash, leak or
// leave a shared block behind; the tool connects only to a pair of ports that carry the device's
// name and are both open, and then stops discovering and starts probing.
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/DeviceDiscovery.h"
#include "app/Programmer.h"
#include "firmware/Conversation.h"
#include "framework/ExceptionGuard.h"
#include "fuzz/ByteReader.h"
#include "midi/platform/GlobalMemory.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace {

using platform::PlatformCall;

// The device's name, and names that resemble it.
const std::string kDevice = firmware::kDevicePortName;
const std::string kNames[] = {kDevice,
                              "1- " + kDevice,
                              kDevice + "1",
                              QString::fromStdString(kDevice).toLower().toStdString(),
                              kDevice.substr(0, kDevice.size() - 1) + "3",
                              "Keyboard",
                              ""};
constexpr MMRESULT kCodes[] = {MMSYSERR_ERROR,       MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED,  MMSYSERR_INVALHANDLE,
                               MMSYSERR_NODRIVER,    MMSYSERR_NOMEM,       MMSYSERR_INVALPARAM, MIDIERR_UNPREPARED,
                               MIDIERR_STILLPLAYING, MIDIERR_NOTREADY,     MIDIERR_NODEVICE,    999};

constexpr unsigned kNeverTicks = 3600 * 1000;

[[noreturn]] void Breach(const std::string& what) {
  std::fprintf(stderr, "breach: %s\n", what.c_str());
  std::abort();
}

template <typename T, std::size_t N>
const T& Pick(fuzz::ByteReader& input, const T (&choices)[N]) {
  return choices[input.InRange<std::size_t>(0, N - 1)];
}

// A fresh simulated transport, installed for the owner's lifetime.
class InstalledSimulation {
 public:
  InstalledSimulation()
      : sim_(new platform::SimulatedTransport),
        previous_(platform::InstallTransport(std::unique_ptr<platform::Transport>(sim_))) {}
  ~InstalledSimulation() { platform::InstallTransport(std::move(previous_)); }
  platform::SimulatedTransport& Sim() { return *sim_; }

 private:
  platform::SimulatedTransport* sim_;
  std::unique_ptr<platform::Transport> previous_;
};

// Error boxes are expected here; what matters is what is left behind.
class SilencedErrors {
 public:
  SilencedErrors() : previous_(framework::SetExceptionHook([](std::exception_ptr) {})) {}
  ~SilencedErrors() { framework::SetExceptionHook(previous_); }

 private:
  framework::ExceptionHook previous_;
};

// The programmer as the window wires it, its timers fired by hand, and the checks after each
// tick. The programmer and its ports go first, while the transport is still installed.
class World {
 public:
  World() {
    programmer_.DiscoveryTimer().SetInterval(kNeverTicks);
    programmer_.ProbeTimer().SetInterval(kNeverTicks);
    programmer_.Start();
    log_.clear();
  }

  platform::SimulatedTransport& Sim() { return platform_.Sim(); }
  std::vector<platform::SimulatedTransport::DeviceId> devices;

  void DiscoveryTick() {
    if (!programmer_.DiscoveryTimer().Enabled()) return;
    const std::size_t linesBefore = log_.size();
    framework::RunGuarded([this] { programmer_.DiscoveryTick(); });
    if (log_.size() == linesBefore) return;
    if (log_.back() != ">USB Midi Connected" || log_.size() != 1) Breach("discovery wrote " + log_.back());
    CheckConnection();
  }

  void ProbeTick() {
    if (programmer_.ProbeTimer().Enabled()) framework::RunGuarded([this] { programmer_.ProbeTick(); });
  }

 private:
  void CheckConnection() {
    const midi::TMidiInput* input = programmer_.InputPort();
    const midi::TMidiOutput* output = programmer_.OutputPort();
    if (input == nullptr || output == nullptr) Breach("connected without both ports");
    if (input->State() != midi::mpsOpen || output->State() != midi::mpsOpen) Breach("connected with a port closed");
    if (!app::DeviceDiscovery::MatchesDevicePort(input->ProductName()) ||
        !app::DeviceDiscovery::MatchesDevicePort(output->ProductName()))
      Breach("connected to " + input->ProductName() + " and " + output->ProductName());
    if (programmer_.DiscoveryTimer().Enabled() || !programmer_.ProbeTimer().Enabled())
      Breach("the timers did not change over");
  }

  InstalledSimulation platform_;
  SilencedErrors errors_;
  std::vector<std::string> log_;
  framework::TComponent owner_{nullptr};
  app::Programmer programmer_{owner_, [this](const std::string& line) { log_.push_back(line); }};
};

void ChangePorts(World& world, fuzz::ByteReader& input) {
  platform::SimulatedTransport& sim = world.Sim();
  const int what = input.InRange<int>(0, 3);
  if (what <= 1 || world.devices.empty()) {
    const std::string name = Pick(input, kNames);
    world.devices.push_back(what == 0 ? sim.AddInput(name) : sim.AddOutput(name));
    return;
  }
  const auto device = world.devices[input.InRange<std::size_t>(0, world.devices.size() - 1)];
  if (what == 2)
    sim.Remove(device);
  else
    sim.Rename(device, Pick(input, kNames));
}

// A device the platform never lets close keeps the memory it may still write to, by design; so
// the calls that close and reset fail only once at a time.
bool MayFailForGood(PlatformCall call) {
  return call != PlatformCall::midiInClose && call != PlatformCall::midiInReset && call != PlatformCall::midiOutClose &&
         call != PlatformCall::midiOutReset;
}

void ArmFault(World& world, fuzz::ByteReader& input) {
  const auto call =
      static_cast<PlatformCall>(input.InRange<std::size_t>(0, static_cast<std::size_t>(PlatformCall::Count) - 1));
  const MMRESULT code = Pick(input, kCodes);
  platform::FaultInjector& faults = world.Sim().FaultPlan();
  switch (input.InRange<int>(0, 2)) {
    case 0:
      faults.FailOnCall(call, input.InRange<unsigned>(1, 8), code);
      break;
    case 1:
      if (MayFailForGood(call)) faults.FailAlways(call, code);
      break;
    default:
      faults.Clear(call);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader input({data, size});
  const std::size_t blocksBefore = GlobalBlocksInUse();
  {
    World world;
    while (!input.Empty()) {
      switch (input.InRange<int>(0, 3)) {
        case 0:
          ChangePorts(world, input);
          break;
        case 1:
          ArmFault(world, input);
          break;
        case 2:
          world.DiscoveryTick();
          break;
        default:
          world.ProbeTick();
          break;
      }
    }
    world.Sim().FaultPlan().ClearAll();
  }
  if (GlobalBlocksInUse() != blocksBefore) Breach("shared blocks were not given back");
  return 0;
}
