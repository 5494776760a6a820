#pragma once

// One fuzz input's world: a simulated device whose input port the tool has open, the programming
// session on that port and on an output port that only records what the session sends, and the
// window thread's event loop and the probe timer driven by hand. The device's messages are all delivered to the
// port before the loop runs, so an input always runs the same way. Every notice the session handles is checked against
// the conversation's rules; any breach, unexpected error box or leaked block ends the process with a message.

#include <memory>
#include <string>
#include <vector>

#include "framework/ExceptionGuard.h"
#include "fuzz/InjectionRecord.h"
#include "fuzz/SessionModel.h"
#include "midi/MidiIn.h"
#include "midi/platform/simulated/SimulatedTransport.h"

namespace fuzz {

struct PortSetup {
  WORD capacity = 1024;
  WORD bufferCount = 16;
  WORD bufferSize = 4096;
  bool sysexOnly = false;
  midi::TMidiMsgFilter filter;
};

// Ends the process with `what`, for libFuzzer to report.
[[noreturn]] void Breach(const std::string& what);

class SessionHarness {
 public:
  explicit SessionHarness(const PortSetup& setup);
  ~SessionHarness();
  SessionHarness(const SessionHarness&) = delete;
  SessionHarness& operator=(const SessionHarness&) = delete;

  // The device sends; it reaches the port at the next Deliver.
  void InjectShort(DWORD message);
  void InjectSysex(std::vector<BYTE> bytes);
  // Waits until the port has everything sent so far, then runs the window thread's loop until
  // every notice is handled.
  void Deliver();
  // A tick of the probe timer, if it is on.
  void Tick();
  void FailNextSend();
  // The next call of `call` (lending a buffer again) fails with `code`.
  void FailNextLend(platform::PlatformCall call, MMRESULT code);
  // Closes and opens the port again: the reset hands every buffer back.
  void Reopen();
  void SetFilters(bool sysexOnly, midi::TMidiMsgFilter filter);

 private:
  class World;
  void OnInput(midi::TMidiInput& port);
  void OnError(const std::string& text);
  void ExpectActions(std::size_t from, const std::vector<Action>& expected, const char* where);
  std::vector<TakenEvent> Waiting(const midi::TMidiInput& port) const;
  void CheckDelivered(const std::vector<TakenEvent>& events);

  std::vector<Action> timeline_;
  SessionModel model_;
  InjectionRecord injected_;
  std::unique_ptr<World> world_;
  std::size_t postsBound_ = 0;    // notices posted since the last Deliver, at most
  std::string rethrown_;          // the failure a checked notice passes on to the guard
  std::string armedLendFailure_;  // the text of an armed lending fault not seen yet
  WORD bufferSize_;
  std::size_t blocksAtStart_ = 0;
};

}  // namespace fuzz
