// How failures and the program are named to the user: the box text's closing dot, the class
// named in the "Application Error" box, the message, and the application title.
#include "framework/ErrorText.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "framework/Application.h"
#include "framework/Timer.h"
#include "midi/MidiIn.h"

namespace {

struct Plain {};

namespace inner {
struct Tag {};
template <typename T>
struct Wrapped : std::runtime_error {
  Wrapped() : std::runtime_error("wrapped") {}
};
}  // namespace inner

TEST(ErrorBoxText, GetsAClosingDotOnlyAfterACharacterBeyondTheDot) {
  EXPECT_EQ(framework::ErrorBoxText("Invalid device ID"), "Invalid device ID.");
  EXPECT_EQ(framework::ErrorBoxText(""), "");
  EXPECT_EQ(framework::ErrorBoxText("Port closed."), "Port closed.");
  EXPECT_EQ(framework::ErrorBoxText("Buffer full (4096)"), "Buffer full (4096)");
  EXPECT_EQ(framework::ErrorBoxText("Stop!"), "Stop!");
  EXPECT_EQ(framework::ErrorBoxText("in use, "), "in use, ") << "',' and ' ' come before '.'";
  EXPECT_EQ(framework::ErrorBoxText("Device 2"), "Device 2.") << "'2' comes after '.'";
  EXPECT_EQ(framework::ErrorBoxText("Gerät fehlt: ü"), "Gerät fehlt: ü.") << "bytes of UTF-8 come after '.'";
}

TEST(ClassNameOf, NamesTheThrownClassWithoutItsNamespaces) {
  EXPECT_EQ(framework::ClassNameOf(std::make_exception_ptr(midi::EMidiInputError("x"))), "EMidiInputError");
  EXPECT_EQ(framework::ClassNameOf(std::make_exception_ptr(framework::EOutOfResources("x"))), "EOutOfResources");
  EXPECT_EQ(framework::ClassNameOf(std::make_exception_ptr(Plain{})), "Plain");
  EXPECT_EQ(framework::ClassNameOf(std::make_exception_ptr(inner::Wrapped<inner::Tag>{})),
            "Wrapped<(anonymous namespace)::inner::Tag>")
      << "namespaces inside template arguments stay";
  EXPECT_EQ(framework::ClassNameOf(std::make_exception_ptr(42)), "int");
}

TEST(ApplicationTitle, IsTheFileNameCutBeforeItsFirstDotWithTheRestInLowerCase) {
  EXPECT_EQ(framework::TApplication::TitleOf("/usr/bin/bass-firmware"), "bass-firmware");
  EXPECT_EQ(framework::TApplication::TitleOf("/opt/Tools/PROGRAMMER.V2.EXE"), "Programmer");
  EXPECT_EQ(framework::TApplication::TitleOf("relative/dir/BassFirmware.bin"), "Bassfirmware");
  EXPECT_EQ(framework::TApplication::TitleOf("/home/x.y/tool"), "tool") << "a dot in a directory does not count";
  EXPECT_EQ(framework::TApplication::TitleOf("ÄRGER.run"), "Ärger");
  EXPECT_EQ(framework::TApplication::TitleOf("/tmp/.hidden"), "");
}

}  // namespace
