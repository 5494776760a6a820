// Which MIDI systems the program uses: every one, unless a development build is told by the test
// variable to use only one; a build with the real table takes no such word.
#include <stdlib.h>

#include <optional>

#include <gtest/gtest.h>

#include "app/qt/MidiSystemsToUse.h"
#include "firmware/FirmwareImage.h"

namespace {

using app::MidiSystemsFor;
using platform::MidiSystems;

TEST(MidiSystemsToUse, ADevelopmentBuildUsesOnlyTheSystemTheVariableNamesAndEveryOneWithoutIt) {
  EXPECT_EQ(MidiSystemsFor(true, "jack"), MidiSystems::Jack);
  EXPECT_EQ(MidiSystemsFor(true, "alsa"), MidiSystems::AlsaSequencer);
  EXPECT_EQ(MidiSystemsFor(true, nullptr), MidiSystems::Every);
}

// A value it does not know is no reason to reach every system, a device on the machine included.
TEST(MidiSystemsToUse, ADevelopmentBuildRefusesAValueItDoesNotKnow) {
  for (const char* value : {"", "JACK", "alsa ", "pipewire"}) EXPECT_EQ(MidiSystemsFor(true, value), std::nullopt);
}

TEST(MidiSystemsToUse, ABuildWithTheRealTableUsesEverySystemWhateverTheVariableSays) {
  for (const char* value : {"jack", "alsa", "pipewire", static_cast<const char*>(nullptr)})
    EXPECT_EQ(MidiSystemsFor(false, value), MidiSystems::Every);
}

// This build's own answer: a development build (the tests' usual one) ends with status 2 on an
// unknown value; one given the real table never reads the variable.
TEST(MidiSystemsToUse, ThisBuildReadsTheVariableOnlyWithTheDevelopmentTable) {
  setenv(app::kTestMidiSystemVariable, "pipewire", 1);
  if (firmware::EmbedsDevelopmentTable()) {
    EXPECT_EXIT(app::MidiSystemsToUse(), testing::ExitedWithCode(2),
                "BASS_FIRMWARE_TEST_MIDI_SYSTEM must be jack or alsa, not \"pipewire\"");
    setenv(app::kTestMidiSystemVariable, "alsa", 1);
    EXPECT_EQ(app::MidiSystemsToUse(), MidiSystems::AlsaSequencer);
  } else {
    EXPECT_EQ(app::MidiSystemsToUse(), MidiSystems::Every);
  }
  unsetenv(app::kTestMidiSystemVariable);
}

}  // namespace
