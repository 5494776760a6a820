#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Object.h"

namespace framework {

enum class TComponentStateFlag : std::uint8_t {
  csLoading = 1 << 0,    // properties are being read from a stored form description
  csDesigning = 1 << 1,  // the component lives in a design environment, not in a running program
};

// A component is owned by another component, which destroys it with itself. Owned components
// are destroyed last-created first. Deleting an owned component removes it from its owner.
// Window thread only.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  bool IsLoading() const { return HasState(TComponentStateFlag::csLoading); }
  bool IsDesigning() const { return HasState(TComponentStateFlag::csDesigning); }

  // Set by whoever reads a stored form description into this component; Loaded() ends it.
  void BeginLoading();
  virtual void Loaded();

  // A design environment marks its root; components created later with that owner inherit it.
  void SetDesigning(bool designing);

 private:
  bool HasState(TComponentStateFlag flag) const { return (state_ & static_cast<std::uint8_t>(flag)) != 0; }
  void SetState(TComponentStateFlag flag, bool on);
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* owner_;
  std::vector<TComponent*> components_;
  std::string name_;
  std::intptr_t tag_ = 0;
  std::uint8_t state_ = 0;
};

}  // namespace framework
