#pragma once

// The QLT-1 emulator inside the test's process: JACK ports of its own named like the device's,
// served by a thread of its own, with the misbehaviour a broken or malicious device may show. Its
// ports hold what a cycle has no room for, so nothing it sends is lost. Its lines are not shown.

#include <atomic>
#include <string>
#include <thread>

#include "tools/qlt1/Emulator.h"

namespace reliability {

class JackQlt1 final : public qlt1::Emulator {
 public:
  // Throws std::runtime_error when no JACK server answers.
  explicit JackQlt1(qlt1::Hostility hostility);
  ~JackQlt1();

 private:
  void Serve();

  std::atomic<bool> stop_{false};
  std::thread worker_;  // last: stops before what it uses goes
};

}  // namespace reliability
