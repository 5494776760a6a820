#pragma once

// The programmer as the window wires it, without the window: an owner for its components and its
// log kept as lines, over whatever transport is installed.

#include <functional>
#include <string>
#include <vector>

#include "app/Programmer.h"
#include "framework/Component.h"
#include "tests/support/TickNow.h"

namespace testsupport {

// Neither copied nor moved: the programmer's log goes to this object.
class ProgrammerUnderTest {
 public:
  app::Programmer& operator*() { return programmer_; }
  app::Programmer* operator->() { return &programmer_; }
  framework::TComponent& Owner() { return owner_; }

  // The timers are switched on and off as the programmer does, but no period ever ends by
  // itself: the test runs each tick with TickNow.
  void TickOnlyByHand() {
    programmer_.DiscoveryTimer().SetInterval(kNeverEnds);
    programmer_.ProbeTimer().SetInterval(kNeverEnds);
  }

  std::vector<std::string> log;
  // Called with each line as it is written, after it is in `log`.
  std::function<void(const std::string&)> onLine;

 private:
  static constexpr unsigned kNeverEnds = 24 * 3600 * 1000;

  framework::TComponent owner_{nullptr};
  app::Programmer programmer_{owner_, [this](const std::string& line) {
                                log.push_back(line);
                                if (onLine) onLine(line);
                              }};
};

}  // namespace testsupport
