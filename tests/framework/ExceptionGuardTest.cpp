#include "framework/ExceptionGuard.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "framework/Exception.h"
#include "framework/StandardLines.h"

namespace framework {
namespace {

std::string DefaultHookOutputFor(const std::function<void()>& handler) {
  const ExceptionHook previous = SetExceptionHook({});
  testing::internal::CaptureStderr();
  RunGuarded(handler);
  FinishStandardLines();
  const std::string output = testing::internal::GetCapturedStderr();
  SetExceptionHook(previous);
  return output;
}

TEST(ExceptionGuard, HookReceivesWhatEscapesAndNothingOtherwise) {
  int calls = 0;
  std::string message;
  const ExceptionHook previous = SetExceptionHook([&](std::exception_ptr error) {
    ++calls;
    try {
      std::rethrow_exception(error);
    } catch (const Exception& e) {
      message = e.Message();
    }
  });

  RunGuarded([] {});
  EXPECT_EQ(calls, 0);
  RunGuarded([] { throw Exception("port closed"); });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(message, "port closed");

  const ExceptionHook replaced = SetExceptionHook(previous);
  replaced(std::make_exception_ptr(Exception("handed back")));
  EXPECT_EQ(message, "handed back");
}

TEST(ExceptionGuard, EmptyHookRestoresTheDefaultThatWritesOneLine) {
  EXPECT_EQ(DefaultHookOutputFor([] { throw Exception("port closed"); }), "port closed\n");
  EXPECT_EQ(DefaultHookOutputFor([] { throw std::runtime_error("bad reply"); }), "bad reply\n");
  EXPECT_EQ(DefaultHookOutputFor([] { throw 42; }), "Unknown exception\n");
}

}  // namespace
}  // namespace framework
