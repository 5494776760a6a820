// The emulator's command line: every option, and clear refusals.
#include <gtest/gtest.h>

#include "tools/qlt1/EmulatorOptions.h"

namespace {

using qlt1::ParseEmulatorOptions;

TEST(EmulatorOptions, ReadsEveryOption) {
  std::string error;
  const auto options = ParseEmulatorOptions({"--system",
                                             "alsa",
                                             "--port-name",
                                             "Other",
                                             "--ready-after",
                                             "3",
                                             "--block-delay",
                                             "40",
                                             "--error-every",
                                             "7",
                                             "--vanish-after",
                                             "20",
                                             "--appear-after",
                                             "2000",
                                             "--image",
                                             "/tmp/x",
                                             "--exit-after-finish",
                                             "--timing",
                                             "--list-blocks",
                                             "--flood",
                                             "1500",
                                             "--flood-kind",
                                             "sensing",
                                             "--giant-sysex",
                                             "1048576"},
                                            error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->system, "alsa");
  EXPECT_EQ(options->portName, "Other");
  EXPECT_EQ(options->model.readyAtProbe, 3);
  EXPECT_EQ(options->blockDelayMs, 40);
  EXPECT_EQ(options->model.errorEvery, 7);
  EXPECT_EQ(options->vanishAfter, 20);
  EXPECT_EQ(options->appearAfterMs, 2000);
  EXPECT_EQ(options->imagePath, "/tmp/x");
  EXPECT_TRUE(options->exitAfterFinish);
  EXPECT_TRUE(options->reportTiming);
  EXPECT_TRUE(options->listBlocks);
  EXPECT_EQ(options->hostility.floodPerReply, 1500);
  EXPECT_EQ(options->hostility.floodStatus, 0xFE);
  EXPECT_EQ(options->hostility.giantSysex, 1048576u);
}

TEST(EmulatorOptions, DefaultsAnswerAtOnceOnJack) {
  std::string error;
  const auto options = ParseEmulatorOptions({}, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->system, "jack");
  EXPECT_EQ(options->portName, firmware::kDevicePortName);
  EXPECT_EQ(options->model.readyAtProbe, 1);
  EXPECT_EQ(options->vanishAfter, -1);
  EXPECT_FALSE(options->exitAfterFinish);
  EXPECT_FALSE(options->reportTiming);
  EXPECT_FALSE(options->listBlocks);
  EXPECT_FALSE(options->hostility.Any());
}

TEST(EmulatorOptions, RefusesWhatItDoesNotKnow) {
  std::string error;
  EXPECT_FALSE(ParseEmulatorOptions({"--system", "coremidi"}, error));
  EXPECT_NE(error.find("--system"), std::string::npos);
  EXPECT_FALSE(ParseEmulatorOptions({"--ready-after", "-1"}, error));
  EXPECT_FALSE(ParseEmulatorOptions({"--block-delay", "5ms"}, error));
  EXPECT_FALSE(ParseEmulatorOptions({"--flood-kind", "sysex"}, error));
  EXPECT_FALSE(ParseEmulatorOptions({"--giant-sysex", "1"}, error)) << "no message is one byte long";
  EXPECT_FALSE(ParseEmulatorOptions({"--vanish-after"}, error));
  EXPECT_EQ(error, "option --vanish-after needs a value");
  EXPECT_FALSE(ParseEmulatorOptions({"stray"}, error));
  EXPECT_EQ(error, "unknown argument stray");
  EXPECT_FALSE(ParseEmulatorOptions({"--help"}, error));
  EXPECT_TRUE(error.empty()) << "help is no error";
}

}  // namespace
