#pragma once

// What port tests share: a simulated platform, an owner component for the ports, the window
// thread's event loop, and what escapes to the exception guard.

#include <exception>
#include <string>
#include <vector>

#include <QAbstractEventDispatcher>
#include <QEventLoop>

#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/ExceptionGuard.h"
#include "tests/support/EventLoop.h"
#include "tests/support/SimulatedPlatform.h"

namespace testsupport {

class PortTestBase : public SimulatedPlatformTest {
 protected:
  PortTestBase() {
    previousHook_ = framework::SetExceptionHook([this](std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        escaped_.push_back(e.what());
      }
    });
  }
  ~PortTestBase() override { framework::SetExceptionHook(previousHook_); }

  // Runs the window thread's loop by hand until a pass finds nothing to do: every notice posted
  // so far has then reached its port. Where a test proves that something does not happen, it
  // first makes sure that whatever would make it happen has been posted.
  static void HandlePosted() {
    constexpr int kPassesAtMost = 1000;  // a window takes 256 notices a pass (MessageWindow.cpp)
    for (int pass = 0; pass < kPassesAtMost; ++pass)
      if (!QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents)) return;
    ADD_FAILURE() << "the event loop still had work after " << kPassesAtMost << " passes";
  }

  // The message of what `action` raises, or "" when it raises nothing.
  template <typename Action>
  static std::string RaisedBy(Action&& action) {
    try {
      action();
    } catch (const framework::Exception& e) {
      return e.Message();
    }
    return "";
  }

  framework::TComponent owner_{nullptr};
  std::vector<std::string> escaped_;

 private:
  framework::ExceptionHook previousHook_;
};

}  // namespace testsupport
