// Every platform call that a whole update makes fails once, at the first time it is made in each
// phase of the update, with each result code the emulation can give for it; and so does the
// transfer of the first long message of each phase, after midiOutLongMsg has returned, with each
// result a transport gives. The tool must show the message defined for that failure (or none
// where none is defined), keep running, finish the update (after the device restarts where the
// conversation defines no retry), write only its own log lines, and give back every shared block.
// Prints one row per run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

#include "firmware/FirmwareImage.h"
#include "framework/ErrorText.h"
#include "midi/platform/GlobalMemory.h"
#include "tests/reliability/FaultCatalogue.h"
#include "tests/reliability/SimulatedUpdate.h"

namespace {

using platform::PlatformCall;
using reliability::UpdateRig;
using namespace std::chrono_literals;

constexpr std::size_t kCallKinds = static_cast<std::size_t>(PlatformCall::Count);
using Counts = std::array<unsigned, kCallKinds>;
constexpr auto kQuiet = 600ms;

enum Phase { kDiscovery, kProbing, kFirstBlock, kBlocks, kFinish, kClosing, kPhases };
constexpr const char* kPhaseNames[kPhases] = {"discovery", "probing", "block 0", "blocks", "finish", "closing"};

struct FaultCase {
  PlatformCall call;
  Phase phase;
  unsigned nth;  // the call's number within the whole run
  MMRESULT code;
  bool transfer = false;  // the call succeeds; the transfer of the message it took fails
};

struct Outcome {
  bool reached = false;
  bool completed = false;
  bool restarted = false;
  std::string stalledAfter;
  std::vector<std::string> errors;
  std::vector<std::string> log;
  int badImages = 0;
  std::size_t blocksLeft = 0;
};

std::string LastFlaggedBlockLine() {
  int last = 0;
  for (int block = 1; block < static_cast<int>(firmware::kBlockCount); ++block)
    if (firmware::FirmwareImage().BlockFlags[block] == 1) last = block;
  return ">Block " + std::to_string(last);
}

Counts Snapshot(platform::FaultInjector& faults) {
  Counts counts{};
  for (std::size_t call = 0; call < kCallKinds; ++call)
    counts[call] = faults.CallCount(static_cast<PlatformCall>(call));
  return counts;
}

// The calls made by the end of each phase of a clean update, closing the window included.
std::array<Counts, kPhases> CleanRunMarks() {
  const std::array<std::string, kClosing> ends = {">USB Midi Connected", ">Programming", ">Block 0",
                                                  LastFlaggedBlockLine(), ">Finished"};
  std::array<Counts, kPhases> marks{};
  reliability::SimulatedUpdate update;
  UpdateRig& rig = update.rig;
  std::size_t phase = 0;
  rig.OnLogLine([&](const std::string& line) {
    if (phase < ends.size() && line == ends[phase]) marks[phase++] = Snapshot(update.Faults());
  });
  rig.Start();
  EXPECT_TRUE(rig.RunUntilFinishes(1, kQuiet)) << "a clean update finishes";
  rig.RunFor(50ms);
  rig.CloseWindow();
  marks[kClosing] = Snapshot(update.Faults());
  EXPECT_EQ(phase, ends.size());
  EXPECT_TRUE(rig.Errors().empty());
  EXPECT_EQ(update.device.BadImages(), 0);
  return marks;
}

// Each call in the order the update first makes it; within a call, phase by phase. Then the
// transfers, phase by phase: in a clean run every long message the update sends is taken, so the
// n-th transfer is that of the n-th midiOutLongMsg.
std::vector<FaultCase> CasesFrom(const std::array<Counts, kPhases>& marks) {
  std::vector<FaultCase> cases;
  for (int first = kDiscovery; first < kPhases; ++first) {
    for (std::size_t call = 0; call < kCallKinds; ++call) {
      const auto before = [&](int phase) { return phase == 0 ? 0u : marks[phase - 1][call]; };
      if (marks[first][call] == before(first) || (first > 0 && before(first) > 0)) continue;
      for (int phase = first; phase < kPhases; ++phase) {
        if (marks[phase][call] == before(phase)) continue;
        for (MMRESULT code : reliability::CodesOf(static_cast<PlatformCall>(call)))
          cases.push_back({static_cast<PlatformCall>(call), static_cast<Phase>(phase), before(phase) + 1, code});
      }
    }
  }
  constexpr auto kLongMsg = static_cast<std::size_t>(PlatformCall::midiOutLongMsg);
  for (int phase = kDiscovery; phase < kPhases; ++phase) {
    const unsigned before = phase == 0 ? 0u : marks[phase - 1][kLongMsg];
    if (marks[phase][kLongMsg] == before) continue;
    for (MMRESULT code : reliability::TransferCodes())
      cases.push_back({PlatformCall::midiOutLongMsg, static_cast<Phase>(phase), before + 1, code, true});
  }
  return cases;
}

Outcome RunWithFault(const FaultCase& fault) {
  Outcome outcome;
  const std::size_t blocksBefore = GlobalBlocksInUse();
  {
    reliability::SimulatedUpdate update;
    UpdateRig& rig = update.rig;
    if (fault.transfer)
      update.Faults().FailTransfer(fault.nth, fault.code);
    else
      update.Faults().FailOnCall(fault.call, fault.nth, fault.code);
    rig.Start();
    outcome.completed = rig.RunUntilFinishes(1, kQuiet);
    if (!outcome.completed) {
      outcome.stalledAfter = rig.Log().back();
      outcome.restarted = true;
      update.device.Restart();
      outcome.completed = rig.RunUntilFinishes(1, kQuiet);
    }
    rig.RunFor(30ms);
    rig.CloseWindow();
    outcome.reached =
        (fault.transfer ? update.Faults().TransferCount() : update.Faults().CallCount(fault.call)) >= fault.nth;
    outcome.errors = rig.Errors();
    outcome.log = rig.Log();
    outcome.badImages = update.device.BadImages();
  }
  outcome.blocksLeft = GlobalBlocksInUse() - blocksBefore;
  return outcome;
}

// A send that fails while blocks are being moved is not retried: the device's next reply, here the
// ReadyReply of its restart, decides what happens. A buffer that cannot be lent again stalls
// nothing: its reply has been answered, and the port lends it at its next notice.
bool StallIsDefined(const FaultCase& fault) {
  static const std::set<PlatformCall> kConversationCalls = {PlatformCall::midiOutLongMsg,
                                                            PlatformCall::midiOutPrepareHeader,
                                                            PlatformCall::GlobalAlloc, PlatformCall::GlobalLock};
  return fault.phase >= kFirstBlock && fault.phase <= kFinish &&
         (fault.transfer || kConversationCalls.count(fault.call) != 0);
}

// A buffer that cannot be lent again once the session has answered a reply, and an input port
// another program holds: the box says so and what the user can do.
std::vector<std::string> AsShown(const FaultCase& fault, std::vector<std::string> messages) {
  if (fault.call == PlatformCall::midiInOpen && fault.code == MMSYSERR_ALLOCATED) {
    for (std::string& message : messages)
      message = framework::ErrorBoxText(message) +
                " Close the other programs that use MIDI: the tool connects to the QLT-1 as soon as its port is free.";
    return messages;
  }
  const bool lendingAgain =
      fault.call == PlatformCall::midiInPrepareHeader || fault.call == PlatformCall::midiInAddBuffer;
  if (!lendingAgain || fault.phase == kDiscovery) return messages;
  for (std::string& message : messages)
    message = framework::ErrorBoxText(message) +
              " A buffer for the QLT-1's replies could not be lent to the system again. If the log has stopped, "
              "restart the update: close the tool, "
              "switch the QLT-1 off, start the tool, then switch the QLT-1 on.";
  return messages;
}

std::vector<std::string> Defined(const FaultCase& fault) {
  if (fault.transfer) return {reliability::DefinedTransferMessage(fault.code)};
  return AsShown(fault, reliability::DefinedMessages(fault.call, fault.code));
}

void ExpectDefinedMessages(const FaultCase& fault, const Outcome& outcome, const std::string& label) {
  const std::vector<std::string> defined = Defined(fault);
  const bool allocation = fault.call == PlatformCall::GlobalAlloc || fault.call == PlatformCall::GlobalLock;
  if (defined.empty()) {
    EXPECT_TRUE(outcome.errors.empty()) << label << " shows nothing, but showed " << outcome.errors.front();
  } else if (allocation) {
    for (const std::string& error : outcome.errors)
      EXPECT_NE(std::find(defined.begin(), defined.end(), error), defined.end()) << label << ": " << error;
  } else {
    ASSERT_EQ(outcome.errors.size(), 1u) << label;
    EXPECT_EQ(outcome.errors.front(), defined.front()) << label;
  }
}

std::string Describe(const Outcome& outcome) {
  std::string text = outcome.errors.empty() ? "no box" : "box \"" + outcome.errors.front() + "\"";
  if (outcome.errors.size() > 1) text += " and " + std::to_string(outcome.errors.size() - 1) + " more";
  if (!outcome.reached) return text + "; fault not reached";
  if (outcome.restarted) text += "; stalled after " + outcome.stalledAfter + ", device restarted";
  return text + (outcome.completed ? "; completed" : "; NOT completed");
}

TEST(FaultSweep, EveryCallOfAnUpdateFailingOnceIsShownAndTheUpdateStillCompletes) {
  const std::vector<FaultCase> cases = CasesFrom(CleanRunMarks());
  ASSERT_FALSE(cases.empty());
  std::printf("%-24s %-10s %-10s %s\n", "call", "phase", "code", "outcome");
  for (const FaultCase& fault : cases) {
    const Outcome outcome = RunWithFault(fault);
    const std::string failing = fault.transfer ? "transfer" : platform::PlatformCallName(fault.call);
    const std::string label =
        failing + " in " + kPhaseNames[fault.phase] + " with " + reliability::FailureName(fault.call, fault.code);
    std::printf("%-24s %-10s %-10s %s\n", failing.c_str(), kPhaseNames[fault.phase],
                reliability::FailureName(fault.call, fault.code).c_str(), Describe(outcome).c_str());
    EXPECT_TRUE(outcome.reached) << label;
    EXPECT_TRUE(outcome.completed) << label;
    EXPECT_TRUE(!outcome.restarted || StallIsDefined(fault)) << label << " stalled after " << outcome.stalledAfter;
    EXPECT_EQ(outcome.badImages, 0) << label;
    EXPECT_TRUE(reliability::OnlyProgramLines(outcome.log)) << label;
    EXPECT_EQ(outcome.blocksLeft, 0u) << label;
    ExpectDefinedMessages(fault, outcome, label);
  }
}

}  // namespace
