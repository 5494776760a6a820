#include "fuzz/SessionHarness.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "app/ProgrammingSession.h"
#include "firmware/Conversation.h"
#include "firmware/TableLayout.h"
#include "framework/ErrorText.h"
#include "framework/MessageWindow.h"
#include "framework/Timer.h"
#include "midi/platform/ErrorTexts.h"
#include "midi/platform/GlobalMemory.h"
#include "tests/support/PortTestAccess.h"

namespace fuzz {

namespace {

constexpr unsigned kNeverTicks = 3600 * 1000;

// An output port that sends nothing: it records each send, and fails one when told to.
class RecordingOutput final : public midi::TMidiOutput {
 public:
  RecordingOutput(framework::TComponent* owner, std::vector<Action>& timeline)
      : TMidiOutput(owner), timeline_(timeline) {}
  void SendLongMsg(const BYTE* bytes, WORD length) override {
    const bool fails = std::exchange(failNext_, false);
    timeline_.push_back({fails ? Action::Kind::SendFailed : Action::Kind::Sent, "", {bytes, bytes + length}});
    if (fails) throw midi::EMidiOutputError(kSendFailure);
  }
  void FailNext() { failNext_ = true; }

 private:
  std::vector<Action>& timeline_;
  bool failNext_ = false;
};

std::string DescribeSend(const Action& action) {
  const std::vector<BYTE>& bytes = action.bytes;
  std::string text = std::string(action.kind == Action::Kind::Sent ? "  sent " : "  failed to send ");
  if (bytes.size() == firmware::kBlockLength)
    return text + "block " +
           std::to_string(
               firmware::BlockNumberOf(bytes[firmware::kBlockNumberHighIndex], bytes[firmware::kBlockNumberLowIndex])) +
           "\n";
  const int kind = bytes.size() > firmware::kKindIndex ? bytes[firmware::kKindIndex] : -1;
  return text + std::to_string(bytes.size()) + " bytes of kind " + std::to_string(kind) + "\n";
}

std::string Describe(const std::vector<Action>& actions, std::size_t from) {
  std::string text;
  for (std::size_t i = from; i < actions.size(); ++i)
    text += actions[i].kind == Action::Kind::Line ? "  log " + actions[i].line + "\n" : DescribeSend(actions[i]);
  return text;
}

}  // namespace

void Breach(const std::string& what) {
  std::fprintf(stderr, "breach: %s\n", what.c_str());
  std::abort();
}

class SessionHarness::World {
 public:
  // Discovery is not fuzzed here: the session gets the ports discovery would have put in the
  // slots, the input port with the fuzzed setup, and a probe timer that is on, as after a
  // connection, and never ticks by itself.
  World(SessionHarness& harness, const PortSetup& setup)
      : sim_(new platform::SimulatedTransport),
        previousTransport_(platform::InstallTransport(std::unique_ptr<platform::Transport>(sim_))),
        previousHook_(framework::SetExceptionHook(
            [&harness](std::exception_ptr error) { harness.OnError(framework::MessageOf(error)); })),
        input(sim_->AddInput("fuzzed device")),
        output(new RecordingOutput(&owner, harness.timeline_)),
        port(new midi::TMidiInput(&owner)),
        session({[&harness](const std::string& line) {
                   harness.timeline_.push_back({Action::Kind::Line, line, {}});
                 },
                 probeTimer, ports}) {
    probeTimer.SetInterval(kNeverTicks);
    port->SetCapacity(setup.capacity);
    port->SetSysexBufferCount(setup.bufferCount);
    port->SetSysexBufferSize(setup.bufferSize);
    port->SetSysexOnly(setup.sysexOnly);
    port->SetFilteredMessages(setup.filter);
    port->OnMidiInput = framework::TNotifyEvent(
        &owner, [&harness](framework::TObject* sender) { harness.OnInput(static_cast<midi::TMidiInput&>(*sender)); });
    port->SetDeviceID(0);
    port->Open();
    port->Start();
    session.FillExpectedReplies();
  }

  // The ports go while the transport is still installed.
  ~World() {
    delete port;
    delete output;
    framework::SetExceptionHook(previousHook_);
    platform::InstallTransport(std::move(previousTransport_));
  }

  platform::SimulatedTransport* sim_;
  std::unique_ptr<platform::Transport> previousTransport_;
  framework::ExceptionHook previousHook_;
  platform::SimulatedTransport::DeviceId input;
  framework::TComponent owner{nullptr};
  RecordingOutput* output;
  midi::TMidiInput* port;
  app::PortSlots ports{port, output};
  framework::TTimer probeTimer{nullptr};
  app::ProgrammingSession session;
};

SessionHarness::SessionHarness(const PortSetup& setup) : injected_(setup.bufferSize), bufferSize_(setup.bufferSize) {
  const std::size_t blocksBefore = GlobalBlocksInUse();
  world_ = std::make_unique<World>(*this, setup);
  blocksAtStart_ = blocksBefore;
}

SessionHarness::~SessionHarness() {
  world_.reset();
  if (GlobalBlocksInUse() != blocksAtStart_) Breach("shared blocks were not given back");
}

void SessionHarness::InjectShort(DWORD message) {
  injected_.AddShort(message);
  world_->sim_->InjectShort(world_->input, message);
  ++postsBound_;
}

void SessionHarness::InjectSysex(std::vector<BYTE> bytes) {
  world_->sim_->InjectSysex(world_->input, bytes);
  postsBound_ += bytes.size() / bufferSize_ + 1;
  injected_.AddSysex(std::move(bytes));
}

void SessionHarness::Deliver() {
  while (!world_->sim_->WaitUntilDelivered(world_->input, std::chrono::milliseconds(0))) std::this_thread::yield();
  const std::size_t wakeUps = postsBound_ / framework::kDeliveriesPerWakeUp + 2;
  for (std::size_t i = 0; i < wakeUps; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
  postsBound_ = 0;
}

void SessionHarness::Tick() {
  if (!world_->probeTimer.Enabled()) return;
  const std::size_t from = timeline_.size();
  std::vector<Action> expected;
  model_.Tick(expected);
  std::string failure;
  try {
    world_->session.SendProbe();
  } catch (const framework::Exception& e) {
    failure = e.Message();
  }
  ExpectActions(from, expected, "probe tick");
  const bool failed = expected.back().kind == Action::Kind::SendFailed;
  if (failure != (failed ? kSendFailure : "")) Breach("probe tick raised \"" + failure + "\"");
}

void SessionHarness::FailNextSend() {
  world_->output->FailNext();
  model_.ArmSendFailure();
}

void SessionHarness::FailNextLend(platform::PlatformCall call, MMRESULT code) {
  if (!armedLendFailure_.empty()) return;
  world_->sim_->FaultPlan().FailNext(call, code);
  armedLendFailure_ = platform::ErrorTextOf(code);
}

void SessionHarness::Reopen() {
  midi::TMidiInput& port = *world_->port;
  try {
    port.Close();
    port.Open();
    port.Start();
  } catch (const framework::Exception& e) {
    if (e.Message() != armedLendFailure_) Breach("reopening raised \"" + e.Message() + "\"");
    armedLendFailure_.clear();
  }
  postsBound_ += port.SysexBufferCount();
}

// The checked notice: the events waiting now are exactly those the session takes, in order, up to
// a failure that ends the notice; what it did must be what the rules give for them.
void SessionHarness::OnInput(midi::TMidiInput& port) {
  const std::vector<TakenEvent> waiting = Waiting(port);
  const std::size_t from = timeline_.size();
  std::string failure;
  std::exception_ptr error;
  try {
    world_->session.HandleInput(port);
  } catch (const framework::Exception& e) {
    failure = e.Message();
    error = std::current_exception();
  }
  const std::size_t taken = waiting.size() - port.PendingEventCount();
  std::vector<Action> expected;
  const std::size_t handled = model_.Take(std::span(waiting).first(taken), expected);
  ExpectActions(from, expected, "notice");
  CheckDelivered(std::vector<TakenEvent>(waiting.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(taken)));
  const bool sendFailed = !expected.empty() && expected.back().kind == Action::Kind::SendFailed;
  if (handled != taken)
    Breach("the session took " + std::to_string(taken) + " events, the rules handle " + std::to_string(handled));
  if (sendFailed && failure != kSendFailure) Breach("a failed send raised \"" + failure + "\"");
  if (!sendFailed && taken < waiting.size() && (armedLendFailure_.empty() || !failure.starts_with(armedLendFailure_)))
    Breach("the notice ended early with \"" + failure + "\"");
  if (!sendFailed && taken == waiting.size() && !failure.empty()) Breach("the notice raised \"" + failure + "\"");
  if (!sendFailed && !failure.empty()) armedLendFailure_.clear();
  if (world_->probeTimer.Enabled() != model_.ProbeTimerOn()) Breach("the probe timer is in the wrong state");
  if (world_->session.CurrentBlock() != model_.CurrentBlock()) Breach("the session is at the wrong block");
  if (error) {
    rethrown_ = failure;
    std::rethrow_exception(error);
  }
}

// What reaches the guard: the failure a checked notice passed on, or a lending fault that struck
// while the port lent back a buffer dropped on overflow.
void SessionHarness::OnError(const std::string& text) {
  if (!rethrown_.empty() && text == rethrown_) {
    rethrown_.clear();
  } else if (!armedLendFailure_.empty() && text == armedLendFailure_) {
    armedLendFailure_.clear();
  } else {
    Breach("an error box showed \"" + text + "\"");
  }
}

void SessionHarness::ExpectActions(std::size_t from, const std::vector<Action>& expected, const char* where) {
  if (timeline_.size() - from == expected.size() &&
      std::equal(expected.begin(), expected.end(), timeline_.begin() + static_cast<std::ptrdiff_t>(from)))
    return;
  std::vector<Action> wanted(timeline_.begin(), timeline_.begin() + static_cast<std::ptrdiff_t>(from));
  wanted.insert(wanted.end(), expected.begin(), expected.end());
  Breach(std::string(where) + ": the session did\n" + Describe(timeline_, from) + "where the rules give\n" +
         Describe(wanted, from));
}

// The ring as the port holds it; its buffers are the port's until it lends them again.
std::vector<TakenEvent> SessionHarness::Waiting(const midi::TMidiInput& port) const {
  std::vector<TakenEvent> events;
  const midi::CircularEventBuffer* ring = midi::PortTestAccess::EventBuffer(port);
  if (port.State() != midi::mpsOpen || ring == nullptr) return events;
  const midi::BufferedEvent* slot = ring->GetPosition.load();
  for (unsigned i = 0; i < ring->PendingCount.load(); ++i) {
    TakenEvent event;
    if (slot->SysexHeader == nullptr) {
      event.status = static_cast<BYTE>(slot->ShortMessage);
      event.shortMessage = slot->ShortMessage;
    } else {
      const MIDIHDR& header = *slot->SysexHeader;
      event.status = 0xF0;
      event.isSysex = true;
      event.bytes.assign(header.lpData, header.lpData + header.dwBytesRecorded);
    }
    events.push_back(std::move(event));
    if (++slot == ring->StorageEnd) slot = ring->StorageStart;
  }
  return events;
}

void SessionHarness::CheckDelivered(const std::vector<TakenEvent>& events) {
  for (const TakenEvent& event : events)
    if (!injected_.Explains(event)) Breach("the port gave an event the device never sent, or out of order");
}

void SessionHarness::SetFilters(bool sysexOnly, midi::TMidiMsgFilter filter) {
  world_->port->SetSysexOnly(sysexOnly);
  world_->port->SetFilteredMessages(filter);
}

}  // namespace fuzz
