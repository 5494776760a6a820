#pragma once

// A QLT-1 on the simulated transport that answers at once and never stops: ReadyReply to a probe,
// BlockAckReply to every block, and after each FinishRequest ReadyReply again, so the tool runs
// update after update. It checks nothing, so that its answers cost the sending thread little.
// It must outlive the transport's use (its hook stays with the transport).

#include <functional>

#include "midi/platform/simulated/SimulatedTransport.h"

namespace bench {

class LoopingQlt1 {
 public:
  // Adds the device's two ports to `sim`. `onFinish` runs on the sending thread after each
  // FinishRequest with the number of updates finished so far; it answers whether to go on.
  LoopingQlt1(platform::SimulatedTransport& sim, std::function<bool(int updates)> onFinish);
  LoopingQlt1(const LoopingQlt1&) = delete;
  LoopingQlt1& operator=(const LoopingQlt1&) = delete;

 private:
  void OnSent(const platform::SentMessage& message);
  void Answer(BYTE kind);

  platform::SimulatedTransport& sim_;
  const std::function<bool(int)> onFinish_;
  platform::SimulatedTransport::DeviceId toolInput_;
  platform::SimulatedTransport::DeviceId toolOutput_;
  int updates_ = 0;  // sending thread only
};

}  // namespace bench
