#pragma once

// The device's side of the conversation for a device that goes through many updates and restarts:
// a fresh memory at each restart, what it objected to over all of them, and each finished update
// counted, with its image checked against the built-in table. The device's thread feeds it while
// the test's thread reads the counts.

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "tools/qlt1/Qlt1Model.h"

namespace reliability {

class UpdatesCounted {
 public:
  UpdatesCounted();

  // Switched off and on again: gives the ReadyReply the device then sends by itself.
  std::vector<qlt1::Message> Restart();
  // One message from the tool, and the replies to send.
  std::vector<qlt1::Message> Receive(std::span<const std::uint8_t> message);

  int Finishes() const;
  int BadImages() const;
  std::vector<std::string> Faults() const;

 private:
  mutable std::mutex mutex_;
  std::unique_ptr<qlt1::Qlt1Model> model_;
  std::vector<std::string> earlierFaults_;
  int finishes_ = 0;
  int badImages_ = 0;
};

}  // namespace reliability
