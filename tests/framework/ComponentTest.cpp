#include "framework/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/NotifyEvent.h"

namespace framework {
namespace {

// Records its destruction and whether it was designing while its own constructor ran.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name, std::vector<std::string>* log)
      : TComponent(owner), designingWhenConstructed(IsDesigning()), log_(log) {
    SetName(std::move(name));
  }
  ~Probe() override { log_->push_back(Name()); }

  void Clicked(TObject* sender) { clickedBy = sender; }

  const bool designingWhenConstructed;
  TObject* clickedBy = nullptr;

 private:
  std::vector<std::string>* log_;
};

TEST(ComponentOwnership, OwnerDestroysWhatItOwnsLastCreatedFirst) {
  std::vector<std::string> log;
  auto* root = new Probe(nullptr, "root", &log);
  auto* a = new Probe(root, "a", &log);
  new Probe(a, "a1", &log);
  new Probe(root, "b", &log);
  new Probe(root, "c", &log);
  ASSERT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(a->Owner(), root);

  delete root;
  EXPECT_EQ(log, (std::vector<std::string>{"root", "c", "b", "a", "a1"}));
}

TEST(ComponentOwnership, DeletingAnOwnedComponentRemovesItFromItsOwner) {
  std::vector<std::string> log;
  Probe root(nullptr, "root", &log);
  auto* a = new Probe(&root, "a", &log);
  auto* b = new Probe(&root, "b", &log);
  auto* c = new Probe(&root, "c", &log);

  delete b;
  ASSERT_EQ(root.ComponentCount(), 2);
  EXPECT_EQ(root.Components(0), a);
  EXPECT_EQ(root.Components(1), c);
  EXPECT_EQ(log, std::vector<std::string>{"b"});
}

TEST(ComponentState, DesigningIsInheritedBeforeDerivedConstructorsRun) {
  std::vector<std::string> log;
  Probe root(nullptr, "root", &log);
  auto* before = new Probe(&root, "before", &log);
  EXPECT_FALSE(before->designingWhenConstructed);

  root.SetDesigning(true);
  EXPECT_TRUE(before->IsDesigning());
  EXPECT_TRUE((new Probe(&root, "after", &log))->designingWhenConstructed);
  EXPECT_FALSE(Probe(nullptr, "unowned", &log).designingWhenConstructed);

  root.SetDesigning(false);
  EXPECT_FALSE(before->IsDesigning());
}

TEST(ComponentState, LoadedEndsLoadingOnlyAndKeepsNameAndTag) {
  TComponent component(nullptr);
  component.SetDesigning(true);
  component.SetTag(-7);
  component.BeginLoading();
  EXPECT_TRUE(component.IsLoading());

  component.Loaded();
  EXPECT_FALSE(component.IsLoading());
  EXPECT_TRUE(component.IsDesigning());
  EXPECT_EQ(component.Tag(), -7);
}

TEST(NotifyEvent, MethodEventCallsItsTargetWithTheSender) {
  std::vector<std::string> log;
  Probe target(nullptr, "target", &log);
  TComponent sender(nullptr);
  EXPECT_FALSE(TNotifyEvent());

  const TNotifyEvent event(&target, &Probe::Clicked);
  ASSERT_TRUE(event);
  EXPECT_EQ(event.Target(), &target);
  event(&sender);
  EXPECT_EQ(target.clickedBy, &sender);
}

}  // namespace
}  // namespace framework
