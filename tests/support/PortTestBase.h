#pragma once

// What port tests share: a simulated platform, an owner component for the ports, the window
// thread's event loop, and what escapes to the exception guard.

#include <exception>
#include <string>
#include <vector>

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
