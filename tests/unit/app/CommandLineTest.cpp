// The program's command line: --help and --version answer and end with 0; anything else is
// refused with status 2 and a word on standard error; no argument runs the program.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Version.h"

namespace {

using app::AnswerCommandLine;
using Action = app::CommandLineAnswer::Action;

TEST(CommandLine, NoArgumentRunsTheProgram) { EXPECT_EQ(AnswerCommandLine({}).action, Action::Run); }

TEST(CommandLine, HelpAndVersionPrintAndEndWithZero) {
  const auto help = AnswerCommandLine({"--help"});
  EXPECT_EQ(help.action, Action::Print);
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.text.rfind("Usage: bass-firmware", 0), 0u);
  const auto version = AnswerCommandLine({"--version"});
  EXPECT_EQ(version.action, Action::Print);
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.text, std::string("bass-firmware ") + app::kVersion + "\n");
}

TEST(CommandLine, AnythingElseIsRefusedWithStatusTwo) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--verbose"}, {"-h"}, {"file.bin"}, {"--help", "--version"}, {"--version", "extra"}, {""}}) {
    const auto answer = AnswerCommandLine(arguments);
    EXPECT_EQ(answer.action, Action::Refuse) << arguments.front();
    EXPECT_EQ(answer.exitStatus, 2);
    EXPECT_NE(answer.text.find("bass-firmware --help"), std::string::npos);
  }
  EXPECT_NE(AnswerCommandLine({"--help", "-x"}).text.find("unknown argument '-x'"), std::string::npos);
}

}  // namespace
