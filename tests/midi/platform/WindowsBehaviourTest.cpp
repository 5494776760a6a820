// The emulation behaving as real Windows systems do, one switch or event of the simulated world
// at a time (WindowsBehaviour.h): names cut to Windows' room, resets that hand back late, System
// Exclusive returned in pieces, a lent header taken as the client left it, a port another program
// holds, and a device switched off and on.
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "midi/platform/MmSystem.h"
#include "tests/support/CallbackRecorder.h"
#include "tests/support/SimulatedPlatform.h"

namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testsupport::CallbackRecorder;

constexpr std::chrono::milliseconds kHandBack = 100ms;

// A header and its data block as a client of the platform owns them.
struct Buffer {
  explicit Buffer(std::vector<BYTE> bytes) : data(std::move(bytes)) {
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = static_cast<DWORD>(data.size());
  }
  explicit Buffer(DWORD size) : Buffer(std::vector<BYTE>(size)) {}
  std::vector<BYTE> Recorded() const { return {data.begin(), data.begin() + header.dwBytesRecorded}; }
  std::vector<BYTE> data;
  MIDIHDR header{};
};

class WindowsBehaviourTest : public testsupport::SimulatedPlatformTest {
 protected:
  HMIDIIN OpenInput(UINT number = 0) {
    HMIDIIN handle = nullptr;
    EXPECT_EQ(midiInOpen(&handle, number, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    return handle;
  }
  HMIDIOUT OpenOutput(UINT number = 0) {
    HMIDIOUT handle = nullptr;
    EXPECT_EQ(midiOutOpen(&handle, number, recorder_.Callback(), recorder_.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    return handle;
  }
  void Lend(HMIDIIN handle, Buffer& buffer) {
    ASSERT_EQ(midiInPrepareHeader(handle, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(midiInAddBuffer(handle, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  }
  void Inject(platform::SimulatedTransport::DeviceId input, const std::vector<BYTE>& bytes) {
    Sim().InjectSysex(input, bytes);
    ASSERT_TRUE(Sim().WaitUntilDelivered(input));
  }

  CallbackRecorder recorder_;
};

TEST_F(WindowsBehaviourTest, NamesAreCutTo31CharactersInBothDirections) {
  const std::string name = "MIDIIN2 (QZ Korvalith port 2 with a long tail)";
  Sim().AddInput(name);
  Sim().AddOutput(name);
  MIDIINCAPSA in{};
  ASSERT_EQ(midiInGetDevCapsA(0, &in, sizeof in), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(in.szPname), name) << "the switch is off";

  Sim().Switches().namesCutTo31Characters = true;
  MIDIOUTCAPSA out{};
  ASSERT_EQ(midiInGetDevCapsA(0, &in, sizeof in), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutGetDevCapsA(0, &out, sizeof out), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(in.szPname), name.substr(0, 31));
  EXPECT_EQ(std::string(out.szPname), name.substr(0, 31));
}

// Until the driver's own thread hands the buffers back, they are still queued: unpreparing them
// and closing are refused.
TEST_F(WindowsBehaviourTest, AnInputResetHandsTheBuffersBackLaterFromAnotherThread) {
  Sim().Switches().resetHandsBackAfter = kHandBack;
  Sim().AddInput("Bass In");
  HMIDIIN handle = OpenInput();
  Buffer first(8), second(8);
  Lend(handle, first);
  Lend(handle, second);
  ASSERT_EQ(midiInStart(handle), MMSYSERR_NOERROR);

  ASSERT_EQ(midiInReset(handle), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInUnprepareHeader(handle, &first.header, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiInClose(handle), MIDIERR_STILLPLAYING);
  ASSERT_TRUE(recorder_.WaitFor(MIM_LONGDATA, 2));
  const auto returned = recorder_.CallsOf(MIM_LONGDATA);
  EXPECT_EQ(returned[0].param1, reinterpret_cast<DWORD_PTR>(&first.header));
  EXPECT_EQ(returned[1].param1, reinterpret_cast<DWORD_PTR>(&second.header));
  EXPECT_NE(returned[0].thread, std::this_thread::get_id());

  EXPECT_EQ(midiInUnprepareHeader(handle, &first.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInUnprepareHeader(handle, &second.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInClose(handle), MMSYSERR_NOERROR);
}

// The reset ends the transfer under way and returns; the headers follow after the switch's time,
// the one cut short and the one never sent alike, and the device can be closed only then.
TEST_F(WindowsBehaviourTest, AnOutputResetReturnsBeforeItsHeadersComeBack) {
  Sim().Switches().resetHandsBackAfter = kHandBack;
  const auto device = Sim().AddOutput("Bass Out");
  HMIDIOUT handle = OpenOutput();
  Sim().HoldOutput(device, true);
  Buffer sending(std::vector<BYTE>{0xF0, 0x01, 0xF7}), waiting(std::vector<BYTE>{0xF0, 0x02, 0xF7});
  for (Buffer* buffer : {&sending, &waiting}) {
    ASSERT_EQ(midiOutPrepareHeader(handle, &buffer->header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(midiOutLongMsg(handle, &buffer->header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  }

  ASSERT_EQ(midiOutReset(handle), MMSYSERR_NOERROR);
  EXPECT_TRUE(recorder_.CallsOf(MOM_DONE).empty());
  EXPECT_EQ(midiOutUnprepareHeader(handle, &sending.header, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiOutClose(handle), MIDIERR_STILLPLAYING);
  ASSERT_TRUE(recorder_.WaitFor(MOM_DONE, 2));
  EXPECT_EQ(midiOutUnprepareHeader(handle, &sending.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutUnprepareHeader(handle, &waiting.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);
  EXPECT_TRUE(Sim().Sent(device).empty());
}

// Each piece is a buffer of its own, none reported broken; the message's end still ends one.
TEST_F(WindowsBehaviourTest, SystemExclusiveComesBackInPiecesBeforeTheMessagesEnd) {
  Sim().Switches().sysexPieceBytes = 6;
  const auto device = Sim().AddInput("Bass In");
  HMIDIIN handle = OpenInput();
  std::vector<std::unique_ptr<Buffer>> buffers;
  for (int i = 0; i < 5; ++i) Lend(handle, *buffers.emplace_back(std::make_unique<Buffer>(64)));
  ASSERT_EQ(midiInStart(handle), MMSYSERR_NOERROR);
  Inject(device, {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0xF7});
  Inject(device, {0xF0, 0x7E, 0xF7});

  EXPECT_EQ(recorder_.CallsOf(MIM_LONGDATA).size(), 4u);
  EXPECT_TRUE(recorder_.CallsOf(MIM_LONGERROR).empty());
  EXPECT_THAT(buffers[0]->Recorded(), ElementsAre(0xF0, 1, 2, 3, 4, 5));
  EXPECT_THAT(buffers[1]->Recorded(), ElementsAre(6, 7, 8, 9, 10, 11));
  EXPECT_THAT(buffers[2]->Recorded(), ElementsAre(12, 13, 14, 15, 16, 0xF7));
  EXPECT_THAT(buffers[3]->Recorded(), ElementsAre(0xF0, 0x7E, 0xF7));
  ASSERT_EQ(midiInReset(handle), MMSYSERR_NOERROR);
  for (auto& buffer : buffers) midiInUnprepareHeader(handle, &buffer->header, sizeof(MIDIHDR));
  EXPECT_EQ(midiInClose(handle), MMSYSERR_NOERROR);
}

// What the driver records is added to the count the client left, and the done flag stays.
TEST_F(WindowsBehaviourTest, ALentHeaderIsTakenAsTheClientLeftIt) {
  Sim().Switches().addBufferKeepsHeader = true;
  const auto device = Sim().AddInput("Bass In");
  HMIDIIN handle = OpenInput();
  Buffer buffer(16);
  Lend(handle, buffer);
  ASSERT_EQ(midiInStart(handle), MMSYSERR_NOERROR);
  Inject(device, {0xF0, 0x01, 0xF7});
  ASSERT_EQ(midiInAddBuffer(handle, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  EXPECT_NE(buffer.header.dwFlags & MHDR_DONE, 0u);
  Inject(device, {0xF0, 0x02, 0xF7});

  EXPECT_THAT(buffer.Recorded(), ElementsAre(0xF0, 0x01, 0xF7, 0xF0, 0x02, 0xF7));
  ASSERT_EQ(midiInReset(handle), MMSYSERR_NOERROR);
  midiInUnprepareHeader(handle, &buffer.header, sizeof(MIDIHDR));
  EXPECT_EQ(midiInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WindowsBehaviourTest, APortAnotherProgramHoldsCannotBeOpenedUntilItIsLetGo) {
  const auto input = Sim().AddInput("Bass In");
  const auto output = Sim().AddOutput("Bass Out");
  Sim().HoldByAnotherProgram(input, true);
  Sim().HoldByAnotherProgram(output, true);
  HMIDIIN in = nullptr;
  HMIDIOUT out = nullptr;
  EXPECT_EQ(midiInOpen(&in, 0, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  EXPECT_EQ(midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  EXPECT_EQ(midiInGetNumDevs(), 1u) << "still listed";

  Sim().HoldByAnotherProgram(input, false);
  Sim().HoldByAnotherProgram(output, false);
  ASSERT_EQ(midiInOpen(&in, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInClose(in), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(out), MMSYSERR_NOERROR);
}

// The old handles are dead: sends block for the switches' time, then answer MMSYSERR_NODRIVER,
// as every other call but closing does. The device comes back last in its direction's numbers.
TEST_F(WindowsBehaviourTest, ADeviceSwitchedOffAndOnLeavesDeadHandlesAndComesBackUnderANewNumber) {
  Sim().Switches().switchedOffSendBlocks = 50ms;
  Sim().AddOutput("Other Out");
  const auto output = Sim().AddOutput("Bass Out");
  Sim().AddOutput("Third Out");
  HMIDIOUT out = OpenOutput(1);

  const auto again = Sim().SwitchOffAndOn(output);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(midiOutShortMsg(out, 0x90), MMSYSERR_NODRIVER);
  // Less a margin: Windows' sleeps may end a little before the steady clock says.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
  Buffer message(std::vector<BYTE>{0xF0, 0x01, 0xF7});
  EXPECT_EQ(midiOutPrepareHeader(out, &message.header, sizeof(MIDIHDR)), MMSYSERR_NODRIVER);
  EXPECT_EQ(midiOutLongMsg(out, &message.header, sizeof(MIDIHDR)), MMSYSERR_NODRIVER);
  EXPECT_EQ(midiOutReset(out), MMSYSERR_NODRIVER);
  EXPECT_EQ(midiOutClose(out), MMSYSERR_NOERROR);

  ASSERT_EQ(midiOutGetNumDevs(), 3u);
  MIDIOUTCAPSA caps{};
  ASSERT_EQ(midiOutGetDevCapsA(2, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Bass Out");
  HMIDIOUT reopened = OpenOutput(2);
  EXPECT_EQ(midiOutShortMsg(reopened, 0x90), MMSYSERR_NOERROR);
  EXPECT_EQ(Sim().Sent(again).size(), 1u);
  EXPECT_EQ(midiOutClose(reopened), MMSYSERR_NOERROR);
}

// Lent buffers never come back: a reset is refused, so the handle cannot be closed while they
// are lent; one without buffers closes.
TEST_F(WindowsBehaviourTest, AnInputSwitchedOffStrandsItsLentBuffers) {
  const auto lending = Sim().AddInput("Bass In");
  const auto bare = Sim().AddInput("Bass In 2");
  HMIDIIN withBuffer = OpenInput(0);
  HMIDIIN withoutBuffer = OpenInput(1);
  Buffer buffer(16);
  Lend(withBuffer, buffer);
  ASSERT_EQ(midiInStart(withBuffer), MMSYSERR_NOERROR);
  Sim().SwitchOffAndOn(lending);
  Sim().SwitchOffAndOn(bare);

  Inject(lending, {0xF0, 0x01, 0xF7});
  EXPECT_TRUE(recorder_.CallsOf(MIM_LONGDATA).empty());
  for (HMIDIIN handle : {withBuffer, withoutBuffer}) {
    EXPECT_EQ(midiInStart(handle), MMSYSERR_NODRIVER);
    EXPECT_EQ(midiInStop(handle), MMSYSERR_NODRIVER);
    EXPECT_EQ(midiInReset(handle), MMSYSERR_NODRIVER);
    EXPECT_EQ(midiInAddBuffer(handle, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NODRIVER);
  }
  EXPECT_EQ(midiInUnprepareHeader(withBuffer, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NODRIVER);
  EXPECT_EQ(midiInClose(withBuffer), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiInClose(withoutBuffer), MMSYSERR_NOERROR);
  EXPECT_EQ(midiInGetNumDevs(), 2u);
}

}  // namespace
