// The program's command line: --help and --version answer and end with 0, --list-ports lists the
// ports; anything else is refused with status 2 and a word on standard error; no argument runs the
// program.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Version.h"
#include "firmware/FirmwareImage.h"

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
  EXPECT_EQ(version.text.rfind(std::string("bass-firmware ") + app::kVersion + "\n", 0), 0u);
}

// A person looks at --version before using a build: one with the development table says so on a
// line of its own after the version, one with the device's table shows the version alone. Help
// tells every build's user what the development table is and how a build gets the device's.
TEST(CommandLine, VersionNamesTheDevelopmentTableAndHelpExplainsIt) {
  const std::string versionLine = std::string("bass-firmware ") + app::kVersion + "\n";
  const std::string developmentLine =
      "This build carries the development firmware table, a filler for tests that leaves a real QLT-1 without "
      "working firmware.\n";
  EXPECT_EQ(AnswerCommandLine({"--version"}).text,
            firmware::EmbedsDevelopmentTable() ? versionLine + developmentLine : versionLine);
  const std::string help = AnswerCommandLine({"--help"}).text;
  EXPECT_NE(help.find("development table, a filler for tests"), std::string::npos);
  EXPECT_NE(help.find("FIRMWARE_TABLE"), std::string::npos);
}

TEST(CommandLine, ListPortsAloneListsThePorts) {
  const auto answer = AnswerCommandLine({"--list-ports"});
  EXPECT_EQ(answer.action, Action::ListPorts);
  EXPECT_EQ(answer.exitStatus, 0);
}

TEST(CommandLine, AnythingElseIsRefusedWithStatusTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--verbose"},
                                             {"-h"},
                                             {"file.bin"},
                                             {"--help", "--version"},
                                             {"--version", "extra"},
                                             {""},
                                             {"--list-ports", "--help"},
                                             {"--list-ports", "--list-ports"},
                                             {"--list-port"}}) {
    const auto answer = AnswerCommandLine(arguments);
    EXPECT_EQ(answer.action, Action::Refuse) << arguments.front();
    EXPECT_EQ(answer.exitStatus, 2);
    EXPECT_NE(answer.text.find("bass-firmware --help"), std::string::npos);
  }
  EXPECT_NE(AnswerCommandLine({"--help", "-x"}).text.find("unknown argument '-x'"), std::string::npos);
}

// Each system's help: no line wider than a terminal (the Windows text once had one of about 150
// characters), and the same options and advice on both.
TEST(CommandLine, EachSystemsHelpFitsATerminalAndTellsOfListPorts) {
  for (const app::HelpSystem system : {app::HelpSystem::Linux, app::HelpSystem::Windows}) {
    const std::string help = app::HelpText(system);
    ASSERT_FALSE(help.empty());
    EXPECT_EQ(help.back(), '\n');
    std::size_t lineStart = 0;
    for (std::size_t end = help.find('\n'); end != std::string::npos; end = help.find('\n', lineStart)) {
      EXPECT_LE(end - lineStart, app::kHelpWidth) << help.substr(lineStart, end - lineStart);
      lineStart = end + 1;
    }
    EXPECT_EQ(help.rfind("Usage: bass-firmware [--help | --version | --list-ports]\n", 0), 0u);
    EXPECT_NE(help.find("  --list-ports  "), std::string::npos);
    EXPECT_NE(help.find("When the device is not found, --list-ports"), std::string::npos);
  }
  EXPECT_NE(app::HelpText(app::HelpSystem::Windows), app::HelpText(app::HelpSystem::Linux));
#ifdef _WIN32
  EXPECT_EQ(AnswerCommandLine({"--help"}).text, app::HelpText(app::HelpSystem::Windows));
#else
  EXPECT_EQ(AnswerCommandLine({"--help"}).text, app::HelpText(app::HelpSystem::Linux));
#endif
}

}  // namespace
