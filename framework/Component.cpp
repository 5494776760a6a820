#include "framework/Component.h"

#include <algorithm>

namespace framework {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ == nullptr) return;
  owner_->InsertComponent(this);
  // Set here rather than by the owner afterwards, so derived constructors already see it.
  SetState(TComponentStateFlag::csDesigning, owner_->IsDesigning());
}

TComponent::~TComponent() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::BeginLoading() { SetState(TComponentStateFlag::csLoading, true); }

void TComponent::Loaded() { SetState(TComponentStateFlag::csLoading, false); }

void TComponent::SetDesigning(bool designing) {
  SetState(TComponentStateFlag::csDesigning, designing);
  for (TComponent* component : components_) component->SetDesigning(designing);
}

void TComponent::SetState(TComponentStateFlag flag, bool on) {
  const auto bit = static_cast<std::uint8_t>(flag);
  state_ = static_cast<std::uint8_t>(on ? (state_ | bit) : (state_ & ~bit));
}

void TComponent::InsertComponent(TComponent* component) { components_.push_back(component); }

void TComponent::RemoveComponent(TComponent* component) {
  // Usually the newest one goes first, so search from the back.
  const auto found = std::find(components_.rbegin(), components_.rend(), component);
  if (found != components_.rend()) components_.erase(std::next(found).base());
}

}  // namespace framework
