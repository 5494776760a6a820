#pragma once

// The QLT-1 on the simulated transport for runs that go on after a fault or for many updates: it
// answers the conversation from the sending thread, and it can be switched off and on again,
// which gives a device with a fresh memory that announces itself with ReadyReply. The image of
// every finished update is checked against the built-in table.

#include <string>
#include <vector>

#include "midi/platform/simulated/SimulatedTransport.h"
#include "tests/reliability/DeviceUnderTest.h"
#include "tests/reliability/UpdatesCounted.h"

namespace reliability {

class RestartableDevice final : public DeviceUnderTest {
 public:
  explicit RestartableDevice(platform::SimulatedTransport& sim);
  ~RestartableDevice();
  RestartableDevice(const RestartableDevice&) = delete;
  RestartableDevice& operator=(const RestartableDevice&) = delete;

  void Restart() override;
  int Finishes() const override { return updates_.Finishes(); }
  int BadImages() const override { return updates_.BadImages(); }
  // Forgets the messages the transport recorded as sent, which a long run would pile up.
  void ForgetSent();
  // What the device objected to, over every restart.
  std::vector<std::string> Faults() const { return updates_.Faults(); }

 private:
  void OnSent(const platform::SentMessage& message);
  void Answer(const std::vector<qlt1::Message>& replies);

  platform::SimulatedTransport& sim_;
  platform::SimulatedTransport::DeviceId toolInput_;
  platform::SimulatedTransport::DeviceId toolOutput_;
  UpdatesCounted updates_;
};

}  // namespace reliability
