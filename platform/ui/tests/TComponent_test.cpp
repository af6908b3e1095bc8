// The component model: ownership, free notification, the loading protocol and the designer's mark.
#include "platform/ui/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> trail;

class TNoisy : public TComponent {
public:
    TNoisy(TComponent* owner, const std::string& name) : TComponent(owner) { SetName(name); }
    ~TNoisy() override { trail.push_back("delete " + Name()); }
    void BeforeDestruction() override { trail.push_back("before " + Name()); }
    TComponent* Heard = nullptr;
    using TComponent::SetDesigning;

protected:
    void Loaded() override {
        TComponent::Loaded();
        trail.push_back("loaded " + Name() +
                        (ComponentState().Contains(TComponentStateItem::csLoading) ? " still" : ""));
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == TOperation::opRemove && component != this) Heard = component;
    }
};

TEST(TComponentTest, AnOwnerFreesWhatItOwnsLastCreatedFirst) {
    trail.clear();
    auto* owner = new TNoisy(nullptr, "Form");
    new TNoisy(owner, "A");
    new TNoisy(owner, "B");
    EXPECT_EQ(owner->FindComponent("b"), owner->Components(1));
    EXPECT_EQ(owner->Components(0)->ComponentIndex(), 0);
    delete owner;
    // The derived destructor body runs first, then the owned components go.
    EXPECT_EQ(trail,
              (std::vector<std::string>{"delete Form", "before B", "delete B", "before A", "delete A"}));
}

TEST(TComponentTest, FreeNotificationTellsThePeerAndCanBeWithdrawn) {
    TNoisy watcher(nullptr, "Watcher");
    auto* port = new TNoisy(nullptr, "Port");
    watcher.FreeNotification(port);
    delete port;
    EXPECT_EQ(watcher.Heard, port);

    watcher.Heard = nullptr;
    auto* other = new TNoisy(nullptr, "Other");
    watcher.FreeNotification(other);
    watcher.RemoveFreeNotification(other);
    delete other;
    EXPECT_EQ(watcher.Heard, nullptr);

    // The link goes both ways: a watcher freed first leaves nothing dangling.
    auto* early = new TNoisy(nullptr, "Early");
    TNoisy target(nullptr, "Target");
    early->FreeNotification(&target);
    delete early;
    EXPECT_EQ(target.Heard, early);
}

TEST(TComponentTest, LoadingMarksTheTreeAndLoadedRunsOwnedComponentsFirst) {
    trail.clear();
    TNoisy form(nullptr, "Form");
    auto* a = new TNoisy(&form, "A");
    form.BeginLoading();
    EXPECT_TRUE(a->ComponentState().Contains(TComponentStateItem::csLoading));
    form.EndLoading();
    EXPECT_EQ(trail, (std::vector<std::string>{"loaded A", "loaded Form"}));
    EXPECT_FALSE(form.ComponentState().Contains(TComponentStateItem::csLoading));
}

bool Designing(const TComponent& c) {
    return c.ComponentState().Contains(TComponentStateItem::csDesigning);
}

// The mark goes down the ownership tree, now or when a component joins a designing owner.
TEST(TComponentTest, TheDesignersMarkReachesOwnedComponents) {
    TNoisy form(nullptr, "Form");
    auto* a = new TNoisy(&form, "A");
    auto* b = new TNoisy(a, "B");
    form.SetDesigning(true, false);
    EXPECT_TRUE(Designing(form));
    EXPECT_FALSE(Designing(*a)) << "only the form";
    form.SetDesigning(true);
    EXPECT_TRUE(Designing(*a));
    EXPECT_TRUE(Designing(*b));
    auto* late = new TNoisy(b, "Late");
    EXPECT_TRUE(Designing(*late)) << "inserted into a designing owner";
    TNoisy loose(nullptr, "Loose");
    form.SetDesigning(false);
    EXPECT_FALSE(Designing(*late));
    new TNoisy(&loose, "Plain");
    EXPECT_FALSE(Designing(*loose.Components(0)));
}

} // namespace
