#include "platform/ui/PublishedRows.h"

#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::vector<std::string_view> kControlNames = {"Left",
                                                     "Top",
                                                     "Width",
                                                     "Height",
                                                     "Align",
                                                     "Anchors",
                                                     "BiDiMode",
                                                     "Caption",
                                                     "Color",
                                                     "Constraints",
                                                     "Cursor",
                                                     "DragCursor",
                                                     "DragKind",
                                                     "DragMode",
                                                     "Enabled",
                                                     "Font",
                                                     "HelpContext",
                                                     "Hint",
                                                     "ParentBiDiMode",
                                                     "ParentColor",
                                                     "ParentFont",
                                                     "ParentShowHint",
                                                     "PopupMenu",
                                                     "ShowHint",
                                                     "Visible",
                                                     "OnCanResize",
                                                     "OnClick",
                                                     "OnConstrainedResize",
                                                     "OnContextPopup",
                                                     "OnDblClick",
                                                     "OnDragDrop",
                                                     "OnDragOver",
                                                     "OnEndDock",
                                                     "OnEndDrag",
                                                     "OnMouseDown",
                                                     "OnMouseMove",
                                                     "OnMouseUp",
                                                     "OnMouseWheel",
                                                     "OnMouseWheelDown",
                                                     "OnMouseWheelUp",
                                                     "OnResize",
                                                     "OnStartDock",
                                                     "OnStartDrag"};

const std::vector<std::string_view> kWindowedNames = {
    "Ctl3D", "ParentCtl3D", "TabOrder", "TabStop", "OnEnter", "OnExit", "OnKeyDown", "OnKeyPress", "OnKeyUp"};

} // namespace

TEST(PublishedRows, EveryStandardNameGivesItsRow) {
    for (std::string_view name : kControlNames) {
        EXPECT_EQ(published::Standard<TGraphicControl>(name).Name, name);
        EXPECT_EQ(published::Standard<TWinControl>(name).Name, name);
    }
    for (std::string_view name : kWindowedNames) {
        EXPECT_EQ(published::Standard<TWinControl>(name).Name, name);
        EXPECT_THROW(published::Standard<TGraphicControl>(name), EPropertyError) << name;
    }
}

// A root that owns handlers, published by name.
class THandlerRoot : public TDataModule {
public:
    using TDataModule::TDataModule;
    void ButtonClick(TObject*) { ++clicks; }
    void Moved(TObject*, TShiftState, int, int) {}
    int clicks = 0;
};

namespace {

const bool kMethods = [] {
    PublishMethods<THandlerRoot, TDataModule>({
        published::Method<&THandlerRoot::ButtonClick>("ButtonClick"),
        published::Method<&THandlerRoot::Moved>("Moved"),
    });
    return true;
}();

} // namespace

TEST(PublishedMethods, NameAndCodeFindEachOther) {
    THandlerRoot root(nullptr);
    const TNotifyEvent click = TNotifyEvent::Bind<&THandlerRoot::ButtonClick>(&root);
    EXPECT_EQ(MethodName(&root, ToRawMethod(click).Code), "ButtonClick");
    EXPECT_EQ(MethodAddress(&root, "buttonclick"), ToRawMethod(click).Code);
    EXPECT_EQ(MethodAddress(&root, "Nothing"), nullptr);

    TControl control(nullptr);
    const TPropInfo row = published::Standard<TControl>("OnClick");
    EXPECT_EQ(row.Kind, TTypeKind::tkMethod);
    row.SetMethod(&control, TRawMethod{MethodAddress(&root, "ButtonClick"), &root, row.MethodSignature});
    control.OnClick(&control);
    EXPECT_EQ(root.clicks, 1);
    const auto moved = FindPublishedMethod(&root, "Moved");
    ASSERT_TRUE(moved);
    EXPECT_THROW(row.SetMethod(&control, TRawMethod{moved->Code, &root, moved->Signature}), EPropertyError);
}
