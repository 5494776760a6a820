#pragma once

// The open devices of one direction, so that a handle the caller passes is checked before use:
// an unknown or closed handle gives MMSYSERR_INVALHANDLE instead of touching freed memory.

#include <memory>
#include <mutex>
#include <unordered_map>

#include "midi/platform/EmulationFaults.h"

namespace platform {

template <typename Device>
class DeviceRegistry {
 public:
  Device* Add(std::unique_ptr<Device> device) {
    std::lock_guard lock(mutex_);
    Device* raw = device.get();
    devices_.emplace(raw, std::move(device));
    return raw;
  }

  // The open device behind `handle`, or none.
  template <typename Handle>
  Device* Find(Handle handle) {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(reinterpret_cast<Device*>(handle));
    return found != devices_.end() ? found->second.get() : nullptr;
  }

  // The open device behind `handle` for a call, or none with `result` saying why: a fault armed
  // for the call, or a handle that names no open device.
  template <typename Handle>
  Device* Lookup(Handle handle, PlatformCall call, MMRESULT& result) {
    result = CheckFault(call);
    if (result != MMSYSERR_NOERROR) return nullptr;
    Device* device = Find(handle);
    if (device == nullptr) result = MMSYSERR_INVALHANDLE;
    return device;
  }

  void Remove(Device* device) {
    std::unique_ptr<Device> removed;
    {
      std::lock_guard lock(mutex_);
      const auto found = devices_.find(device);
      if (found == devices_.end()) return;
      removed = std::move(found->second);
      devices_.erase(found);
    }
  }

 private:
  std::mutex mutex_;
  std::unordered_map<Device*, std::unique_ptr<Device>> devices_;
};

}  // namespace platform
