#include "tests/support/SimulatedQlt1.h"

namespace testsupport {

SimulatedQlt1::SimulatedQlt1(platform::SimulatedTransport& sim, qlt1::Qlt1Model::Options options,
                             const std::string& portName, std::function<bool(int finishes)> restartAfterFinish)
    : Qlt1Device(options),
      sim_(sim),
      restartAfterFinish_(std::move(restartAfterFinish)),
      toolInput_(sim.AddInput(portName)),
      toolOutput_(sim.AddOutput(portName)) {
  sim_.SetOnSent(toolOutput_, [this](const platform::SentMessage& message) { OnSent(message); });
}

SimulatedQlt1::~SimulatedQlt1() { sim_.SetOnSent(toolOutput_, nullptr); }

void SimulatedQlt1::Restart() { Send(Reboot().events); }

// Runs on the sending thread. A short message reaches the device as the three bytes the transport
// packs it in; the device refuses it as outside the conversation.
void SimulatedQlt1::OnSent(const platform::SentMessage& message) {
  sim_.ClearSent(toolOutput_);
  const DWORD packed = message.shortMessage;
  const qlt1::Message shortBytes{static_cast<BYTE>(packed), static_cast<BYTE>(packed >> 8),
                                 static_cast<BYTE>(packed >> 16)};
  const Outcome outcome = Answer(message.isLong ? message.bytes : shortBytes);
  Send(outcome.events);
  if (outcome.finished && restartAfterFinish_ && restartAfterFinish_(Finishes())) Restart();
}

// Without misbehaviour every event is a whole reply.
void SimulatedQlt1::Send(const std::vector<qlt1::Message>& events) {
  for (const qlt1::Message& event : events) sim_.InjectSysex(toolInput_, event);
}

}  // namespace testsupport
