#pragma once

// What a run of the programmer needs to know of the device it updates, whichever transport
// carries the conversation.

namespace reliability {

class DeviceUnderTest {
 public:
  // Off and on again: what the device had received is gone, and it sends ReadyReply.
  virtual void Restart() = 0;
  // Updates that ended with FinishRequest, and how many of them left an image that differs from
  // the table.
  virtual int Finishes() const = 0;
  virtual int BadImages() const = 0;

 protected:
  ~DeviceUnderTest() = default;
};

}  // namespace reliability
