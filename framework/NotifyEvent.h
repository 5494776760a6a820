#pragma once

#include <functional>
#include <utility>

#include "framework/Object.h"

namespace framework {

// A notification bound to an object's method, called with the sender. An unassigned event is
// empty and tests false.
class TNotifyEvent {
 public:
  TNotifyEvent() = default;

  template <typename Target>
  TNotifyEvent(Target* target, void (Target::*method)(TObject* sender))
      : target_(target), call_([target, method](TObject* sender) { (target->*method)(sender); }) {}

  // For handlers that are not methods (tests, adapters); `target` is the object they belong to.
  TNotifyEvent(TObject* target, std::function<void(TObject* sender)> call) : target_(target), call_(std::move(call)) {}

  explicit operator bool() const { return static_cast<bool>(call_); }
  TObject* Target() const { return target_; }

  void operator()(TObject* sender) const { call_(sender); }

 private:
  TObject* target_ = nullptr;
  std::function<void(TObject*)> call_;
};

}  // namespace framework
