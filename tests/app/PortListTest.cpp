// The listing of --list-ports on the simulated transport: which ports match, which pair is marked
// (the one discovery opens), each direction with its own numbers, what is said when the device is
// missing, and names that cannot break the listing's lines.
#include "app/PortList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Version.h"
#include "firmware/Conversation.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/ProgrammerUnderTest.h"

namespace {

using platform::Direction;
using platform::PlatformCall;

const std::string kDevice = firmware::kDevicePortName;

class PortListTest : public testsupport::PortTestBase {
 protected:
  // Each port's system named after its direction and number, so that a port given another's
  // system shows.
  static std::string SystemOf(Direction direction, UINT number) {
    return (direction == Direction::Input ? "in" : "out") + std::to_string(number);
  }

  static app::PortList List() { return app::ListPorts(SystemOf); }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find('\n', start);
      lines.push_back(text.substr(start, end - start));
      start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
  }

  // The text's lines after its two of heading.
  static std::vector<std::string> Body(const app::PortList& list) {
    std::vector<std::string> lines = Lines(app::PortListText(list));
    lines.erase(lines.begin(), lines.begin() + 2);
    return lines;
  }

  static bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

TEST_F(PortListTest, MarksEveryMatchAndTheLastOfEachDirectionAsThePairWithEachDirectionsOwnNumbers) {
  Sim().AddInput("Keyboard");
  Sim().AddInput("1- " + kDevice);
  Sim().AddInput("MIDIIN2 (" + kDevice + ")");
  Sim().AddInput("Synth");
  Sim().AddOutput("Midi Through:Midi Through Port-0 14:0");
  Sim().AddOutput("QLT-1 out:" + kDevice + " 129:0");
  Sim().AddOutput("Drum machine");

  const std::string text = app::PortListText(List());

  EXPECT_EQ(text, std::string("bass-firmware ") + app::kVersion +
                      ": the MIDI ports it sees, as it numbers them.\n"
                      "A \"match\" carries the device's name \"QZ Korvalith port 2\"; it opens the \"pair\".\n"
                      "input 0 in0 - Keyboard\n"
                      "input 1 in1 match 1- QZ Korvalith port 2\n"
                      "input 2 in2 pair MIDIIN2 (QZ Korvalith port 2)\n"
                      "input 3 in3 - Synth\n"
                      "output 0 out0 - Midi Through:Midi Through Port-0 14:0\n"
                      "output 1 out1 pair QLT-1 out:QZ Korvalith port 2 129:0\n"
                      "output 2 out2 - Drum machine\n"
                      "The tool would open input 2 and output 1.\n");
}

// The rule is discovery's own: the listing's pair is the pair a discovery tick opens, here where
// the highest match of a direction is not its last port and the other direction has several.
TEST_F(PortListTest, ThePairIsThePairDiscoveryOpens) {
  Sim().AddInput("2- " + kDevice);
  const auto openedInput = Sim().AddInput(kDevice);
  Sim().AddInput("Keyboard");
  Sim().AddOutput(kDevice);
  Sim().AddOutput("Synth");
  Sim().AddOutput("3- " + kDevice);
  const auto openedOutput = Sim().AddOutput("MIDIOUT2 (" + kDevice + ")");

  const app::PortList list = List();
  testsupport::ProgrammerUnderTest programmer;
  programmer.TickOnlyByHand();
  testsupport::TickNow(programmer->DiscoveryTimer());

  ASSERT_TRUE(Sim().IsOpen(openedInput));
  ASSERT_TRUE(Sim().IsOpen(openedOutput));
  ASSERT_EQ(list.inputs.size(), 3u);
  ASSERT_EQ(list.outputs.size(), 4u);
  for (const app::ListedPort& port : list.inputs)
    EXPECT_EQ(port.inPair, port.number == programmer->InputPort()->DeviceID()) << port.name;
  for (const app::ListedPort& port : list.outputs)
    EXPECT_EQ(port.inPair, port.number == programmer->OutputPort()->DeviceID()) << port.name;
}

// Discovery opens nothing until both directions have a match, so no pair is marked, and the
// listing says which direction lacks the device and what to try.
TEST_F(PortListTest, WithTheDeviceInOneDirectionOnlyNothingIsThePairAndTheMissingDirectionIsNamed) {
  const auto input = Sim().AddInput(kDevice);
  Sim().AddOutput("Synth");
  const app::PortList list = List();
  const std::vector<std::string> body = Body(list);

  EXPECT_TRUE(list.inputs[0].matches);
  EXPECT_FALSE(list.inputs[0].inPair);
  EXPECT_EQ(body[0], "input 0 in0 match " + kDevice);
  EXPECT_EQ(body[1], "output 0 out0 - Synth");
  EXPECT_EQ(body[2], "No output port carries the device's name \"" + kDevice + "\":");
  EXPECT_FALSE(Contains(body, "would open"));
  EXPECT_TRUE(Contains(body, "bass-firmware --list-ports again"));

  Sim().AddOutput(kDevice);
  Sim().Rename(input, "Keyboard");
  EXPECT_EQ(Body(List())[3], "No input port carries the device's name \"" + kDevice + "\":");
}

// Names that differ from the device's only in case or number, or carry only a part of it, do not
// match, as they do not for discovery.
TEST_F(PortListTest, WithoutAMatchingNameTheDeviceIsNotFoundAndTheListingSaysWhatToTry) {
  Sim().AddInput("qz korvalith port 2");
  Sim().AddOutput("QZ Korvalith port 3");
  Sim().AddOutput("QZ Korvalith");
  const std::vector<std::string> body = Body(List());

  EXPECT_EQ(body[0], "input 0 in0 - qz korvalith port 2");
  EXPECT_EQ(body[1], "output 0 out0 - QZ Korvalith port 3");
  EXPECT_EQ(body[2], "output 1 out1 - QZ Korvalith");
  EXPECT_EQ(body[3], "No port carries the device's name \"" + kDevice + "\": the QLT-1 is not found.");
  EXPECT_TRUE(Contains(body, "switched on and connected"));
  EXPECT_FALSE(Contains(body, "would open"));
}

TEST_F(PortListTest, WithNoPortAtAllTheNotesComeBeforeWhatToTry) {
  app::PortList list = List();
  EXPECT_TRUE(list.inputs.empty());
  EXPECT_TRUE(list.outputs.empty());
  list.notes = {"No JACK server is running: no JACK port is listed."};
  const std::vector<std::string> body = Body(list);

  EXPECT_EQ(body[0], "No JACK server is running: no JACK port is listed.");
  EXPECT_EQ(body[1], "The tool sees no MIDI port at all: the QLT-1 is not found.");
  EXPECT_TRUE(Contains(body, "bass-firmware --list-ports again"));
}

// Any program may name its ports: a line end in a name could otherwise print a line that looks
// like the device's pair, and a terminal's escape sequence could hide the rest. The name still
// matches as discovery reads it.
TEST_F(PortListTest, ControlCharactersAndBackslashesInANameAreWrittenOutSoNoNameMakesALineOfItsOwn) {
  Sim().AddInput("Evil\ninput 0 in0 pair " + kDevice);
  Sim().AddOutput("A\\x1b\x1b[2J\t\x7f");
  const app::PortList list = List();
  const std::vector<std::string> body = Body(list);

  EXPECT_EQ(body[0], "input 0 in0 match Evil\\x0ainput 0 in0 pair " + kDevice);
  EXPECT_EQ(body[1], "output 0 out0 - A\\\\x1b\\x1b[2J\\x09\\x7f");
  EXPECT_EQ(list.inputs[0].name, "Evil\ninput 0 in0 pair " + kDevice);
}

// A port that went between the count and its name: it keeps its number, shows why it has no
// name, and matches nothing; the ports after it are listed as usual.
TEST_F(PortListTest, APortWhoseNameCannotBeReadKeepsItsNumberAndShowsThePlatformsText) {
  Sim().AddInput("Keyboard");
  Sim().AddInput(kDevice);
  Sim().AddOutput(kDevice);
  Faults().FailNext(PlatformCall::midiInGetDevCapsA, MMSYSERR_BADDEVICEID);
  char expected[128] = {};
  ASSERT_EQ(midiInGetErrorTextA(MMSYSERR_BADDEVICEID, expected, sizeof expected), MMSYSERR_NOERROR);

  const app::PortList list = List();
  const std::vector<std::string> body = Body(list);

  EXPECT_EQ(body[0], std::string("input 0 in0 - (name unreadable: ") + expected + ")");
  EXPECT_FALSE(list.inputs[0].matches);
  EXPECT_EQ(body[1], "input 1 in1 pair " + kDevice);
  EXPECT_EQ(body[3], "The tool would open input 1 and output 0.");
}

}  // namespace
