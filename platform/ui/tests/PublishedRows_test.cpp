#include "platform/ui/PublishedRows.h"

#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "support/UiTest.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Outside the anonymous namespace, so that their class names are plain.
class TStdWin : public TWinControl {
public:
    using TWinControl::TWinControl;
};

class TStdGraphic : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
};

// A form that publishes a handler for every event signature of the standard rows.
class THandlerForm : public TForm {
public:
    using TForm::TForm;
    template <class... A> void Handle(A...) { ++Calls; }
    int Calls = 0;
};

// The same class name is read back as another class that publishes none of them.
class TBareForm : public TForm {
public:
    using TForm::TForm;
};

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

template <class Event> struct HandlerOf;
template <class... A> struct HandlerOf<TMethod<void(A...)>> {
    static TMethodEntry Entry(std::string name) {
        return published::Method<&THandlerForm::template Handle<A...>>(std::move(name));
    }
};

// Handler names by signature, as the form publishes them.
const std::vector<std::string> kHandlerNames = {
    "Notify",   "CanResize", "ConstrainedResize", "ContextPopup", "DragDrop",  "DragOver",  "EndDrag",  "Key",
    "KeyPress", "Mouse",     "MouseMove",         "MouseWheel",   "WheelTurn", "StartDock", "StartDrag"};

template <class C> std::vector<TPropInfo> RowsOf(const std::vector<std::string_view>& names) {
    std::vector<TPropInfo> rows;
    for (std::string_view name : names) rows.push_back(published::Standard<C>(name));
    return rows;
}

const bool kRegistered = [] {
    std::vector<TPropInfo> win = RowsOf<TStdWin>(kControlNames);
    for (TPropInfo& row : RowsOf<TStdWin>(kWindowedNames)) win.push_back(std::move(row));
    PublishProperties<TStdWin, TComponent>(std::move(win));
    PublishProperties<TStdGraphic, TComponent>(RowsOf<TStdGraphic>(kControlNames));
    PublishMethods<THandlerForm, TForm>({
        HandlerOf<TNotifyEvent>::Entry("Notify"),
        HandlerOf<TCanResizeEvent>::Entry("CanResize"),
        HandlerOf<TConstrainedResizeEvent>::Entry("ConstrainedResize"),
        HandlerOf<TContextPopupEvent>::Entry("ContextPopup"),
        HandlerOf<TDragDropEvent>::Entry("DragDrop"),
        HandlerOf<TDragOverEvent>::Entry("DragOver"),
        HandlerOf<TEndDragEvent>::Entry("EndDrag"),
        HandlerOf<TKeyEvent>::Entry("Key"),
        HandlerOf<TKeyPressEvent>::Entry("KeyPress"),
        HandlerOf<TMouseEvent>::Entry("Mouse"),
        HandlerOf<TMouseMoveEvent>::Entry("MouseMove"),
        HandlerOf<TMouseWheelEvent>::Entry("MouseWheel"),
        HandlerOf<TMouseWheelUpDownEvent>::Entry("WheelTurn"),
        HandlerOf<TStartDockEvent>::Entry("StartDock"),
        HandlerOf<TStartDragEvent>::Entry("StartDrag"),
    });
    RegisterClass<THandlerForm>();
    RegisterClass<TStdWin>();
    RegisterClass<TStdGraphic>();
    RegisterClass<TPopupMenu>();
    return true;
}();

std::string Save(TComponent* root) {
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(root);
    return stream.DataString();
}

TComponent* LoadInto(TComponent* root, const std::string& bytes) {
    TMemoryStream stream(bytes);
    return TReader(&stream).ReadRootComponent(root);
}

// A published value as text, for comparing two objects row by row (events by handler name).
std::string ValueOf(const TPropInfo* p, const TObject* o, const TComponent* root) {
    switch (p->Kind) {
    case TTypeKind::tkFloat:
        return std::to_string(p->GetFloat(o));
    case TTypeKind::tkString:
    case TTypeKind::tkLString:
        return p->GetStr(o);
    case TTypeKind::tkMethod: {
        const TRawMethod m = p->GetMethod(o);
        return MethodName(root, m.Code) + (m.Data == root ? "@root" : "@other");
    }
    case TTypeKind::tkClass: {
        const TObject* inner = p->GetObject(o);
        if (auto* component = dynamic_cast<const TComponent*>(inner)) return "ref " + component->Name();
        std::string all;
        for (const TPropInfo* q : GetPropList(inner)) all += q->Name + "=" + ValueOf(q, inner, root) + " ";
        return all;
    }
    default:
        return std::to_string(p->GetOrd(o));
    }
}

// Gives every row of the control a value other than its default (events a handler of their own
// signature on the root).
void SetNonDefaults(TControl* c, THandlerForm* root, TPopupMenu* menu) {
    for (const TPropInfo* p : GetPropList(c)) {
        const std::string& n = p->Name;
        if (p->Kind == TTypeKind::tkMethod) {
            for (const std::string& h : kHandlerNames) {
                const auto m = FindPublishedMethod(root, h);
                if (m && m->Signature == p->MethodSignature)
                    p->SetMethod(c, TRawMethod{m->Code, root, m->Signature});
            }
            ASSERT_NE(p->GetMethod(c).Code, nullptr) << n;
        } else if (n == "Caption") {
            p->SetStr(c, "Hello there");
        } else if (n == "Hint") {
            p->SetStr(c, "A tip");
        } else if (n == "PopupMenu") {
            p->SetObject(c, menu);
        } else if (n == "Font") {
            c->Font()->SetSize(14);
            c->Font()->SetName("Courier New");
        } else if (n == "Constraints") {
            c->Constraints()->SetMaxWidth(400);
            c->Constraints()->SetMinHeight(12);
        }
    }
    const struct {
        const char* name;
        std::int64_t value;
    } ordinals[] = {
        {"Tag", 7},
        {"Left", 17},
        {"Top", 23},
        {"Align", alBottom},
        {"Width", 120},
        {"Height", 45},
        {"Anchors", TAnchors{akRight, akBottom}.Bits()},
        {"BiDiMode", bdRightToLeft},
        {"Color", clRed},
        {"Cursor", crHandPoint},
        {"DragCursor", crMultiDrag},
        {"DragKind", dkDock},
        {"DragMode", dmAutomatic},
        {"Enabled", 0},
        {"HelpContext", 42},
        {"ParentShowHint", 0},
        {"ShowHint", 1},
        {"Visible", 0},
        {"Ctl3D", 0},
        {"TabStop", 1},
    };
    for (const auto& o : ordinals)
        if (const TPropInfo* p = GetPropInfo(c, o.name)) p->SetOrd(c, o.value);
    for (const TPropInfo* p : GetPropList(c))
        if (p->Default && p->GetOrd) {
            EXPECT_NE(p->GetOrd(c), *p->Default) << c->Name() << "." << p->Name;
        }
}

} // namespace

TEST(PublishedRows, ANameTheClassCannotCarryIsRefusedWithTheName) {
    for (std::string_view name : kControlNames)
        EXPECT_EQ(published::Standard<TGraphicControl>(name).Name, name);
    for (std::string_view name : kWindowedNames) {
        EXPECT_EQ(published::Standard<TWinControl>(name).Name, name);
        try {
            published::Standard<TGraphicControl>(name);
            ADD_FAILURE() << name;
        } catch (const EPropertyError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(published::Standard<TWinControl>("Colour"), EPropertyError);
}

TEST(PublishedRows, AFreshControlStoresOnlyItsBounds) {
    THandlerForm form(nullptr);
    auto* win = new TStdWin(&form);
    win->SetName("Win");
    win->SetParent(&form);
    auto* graphic = new TStdGraphic(&form);
    graphic->SetName("Graphic");
    graphic->SetParent(&form);
    for (TControl* c : {static_cast<TControl*>(win), static_cast<TControl*>(graphic)}) {
        std::vector<std::string> written;
        for (const TPropInfo* p : GetPropList(c)) {
            if (!p->IsStored(c) || p->Kind == TTypeKind::tkClass) continue;
            if (p->Kind == TTypeKind::tkMethod ? p->GetMethod(c).Code != nullptr
                : p->GetStr                    ? !p->GetStr(c).empty()
                                               : !p->Default || p->GetOrd(c) != *p->Default)
                written.push_back(p->Name);
        }
        // TabOrder's declared default is -1, so a windowed child always stores its place.
        std::vector<std::string> expected = {"Name", "Left", "Top", "Width", "Height"};
        if (c == win) expected.push_back("TabOrder");
        EXPECT_EQ(written, expected) << c->Name();
        // Nothing of the font while it is the parent's; no constraints.
        const std::string bytes = Save(&form);
        EXPECT_EQ(bytes.find("Font."), std::string::npos);
        EXPECT_EQ(bytes.find("Constraints."), std::string::npos);
    }
}

TEST(PublishedRows, EveryRowComesBackWithItsValueAndEventsByName) {
    THandlerForm form(nullptr);
    form.SetName("Form1");
    auto* menu = new TPopupMenu(&form);
    menu->SetName("Menu1");
    auto* win = new TStdWin(&form);
    win->SetName("Win");
    win->SetParent(&form);
    auto* graphic = new TStdGraphic(&form);
    graphic->SetName("Graphic");
    graphic->SetParent(&form);
    SetNonDefaults(win, &form, menu);
    SetNonDefaults(graphic, &form, menu);
    const std::string bytes = Save(&form);

    std::unique_ptr<TComponent> back(LoadInto(nullptr, bytes));
    auto* backForm = dynamic_cast<THandlerForm*>(back.get());
    ASSERT_NE(backForm, nullptr);
    for (const char* name : {"Win", "Graphic"}) {
        auto* original = dynamic_cast<TControl*>(form.FindComponent(name));
        auto* copy = dynamic_cast<TControl*>(backForm->FindComponent(name));
        ASSERT_NE(copy, nullptr) << name;
        EXPECT_EQ(copy->Parent(), backForm);
        for (const TPropInfo* p : GetPropList(original))
            EXPECT_EQ(ValueOf(p, copy, backForm), ValueOf(p, original, &form)) << name << "." << p->Name;
    }
    // Bound to the form that was read, and called there.
    auto* copy = dynamic_cast<TStdWin*>(backForm->FindComponent("Win"));
    const int calls = form.Calls;
    const int backCalls = backForm->Calls;
    copy->OnClick(copy);
    EXPECT_EQ(backForm->Calls, backCalls + 1);
    EXPECT_EQ(form.Calls, calls);
}

TEST(PublishedRows, ConstraintsLimitEverySize) {
    TStdWin win(nullptr);
    TStdGraphic graphic(nullptr);
    for (TControl* c : {static_cast<TControl*>(&win), static_cast<TControl*>(&graphic)}) {
        c->SetBounds(0, 0, 300, 200);
        c->Constraints()->SetMaxWidth(100);
        EXPECT_EQ(c->Width(), 100) << "a new limit applies at once";
        c->Constraints()->SetMinHeight(50);
        const struct {
            int width, height, wantWidth, wantHeight;
        } cases[] = {{150, 10, 100, 50}, {20, 80, 20, 80}, {0, 0, 0, 50}};
        for (const auto& k : cases) {
            c->SetBounds(5, 6, k.width, k.height);
            EXPECT_EQ(c->Width(), k.wantWidth);
            EXPECT_EQ(c->Height(), k.wantHeight);
            EXPECT_EQ(c->Left(), 5);
        }
        // OnConstrainedResize may move the limits; OnCanResize may refuse a change outright.
        struct TSizer : TObject {
            void Limits(TObject*, int&, int&, int& maxWidth, int&) { maxWidth = 60; }
            void Refuse(TObject*, int&, int&, bool& resize) { resize = false; }
        } sizer;
        c->OnConstrainedResize = TConstrainedResizeEvent::Bind<&TSizer::Limits>(&sizer);
        c->SetWidth(90);
        EXPECT_EQ(c->Width(), 60);
        c->OnCanResize = TCanResizeEvent::Bind<&TSizer::Refuse>(&sizer);
        c->SetBounds(1, 2, 30, 70);
        EXPECT_EQ(c->BoundsRect(), Rect(5, 6, 65, 56));
        c->OnCanResize = nullptr;
        c->OnConstrainedResize = nullptr;
    }
}

TEST(PublishedMethods, NameAndCodeFindEachOther) {
    THandlerForm form(nullptr);
    const auto notify = TNotifyEvent::Bind<&THandlerForm::Handle<TObject*>>(&form);
    EXPECT_EQ(MethodName(&form, ToRawMethod(notify).Code), "Notify");
    EXPECT_EQ(MethodAddress(&form, "notify"), ToRawMethod(notify).Code);
    EXPECT_EQ(MethodAddress(&form, "Nothing"), nullptr);
    TBareForm bare(nullptr);
    EXPECT_EQ(MethodName(&bare, ToRawMethod(notify).Code), "");

    // A handler of another signature is refused and leaves the event as it was.
    TStdWin win(nullptr);
    const TPropInfo* click = GetPropInfo(&win, "OnClick");
    click->SetMethod(&win, ToRawMethod(notify));
    const auto mouse = FindPublishedMethod(&form, "Mouse");
    ASSERT_TRUE(mouse);
    EXPECT_THROW(click->SetMethod(&win, TRawMethod{mouse->Code, &form, mouse->Signature}), EPropertyError);
    EXPECT_EQ(win.OnClick, notify);
}

// Records what a drag does.
class TDragLog : public TObject {
public:
    std::vector<std::string> Events;
    static std::string NameOf(TObject* o) {
        auto* c = dynamic_cast<TComponent*>(o);
        return c ? c->Name() : "nothing";
    }
    void StartDrag(TObject* sender, TDragObject*&) { Events.push_back("start " + NameOf(sender)); }
    void DragOver(TObject* sender, TObject* source, int, int, TDragState state, bool& accept) {
        Events.push_back("over " + NameOf(sender) + " " + std::to_string(state) + " from " + NameOf(source));
        accept = true;
    }
    void DragDrop(TObject* sender, TObject* source, int x, int y) {
        Events.push_back("drop " + NameOf(sender) + " from " + NameOf(source) + " at " + std::to_string(x) +
                         "," + std::to_string(y));
    }
    void EndDrag(TObject* sender, TObject* target, int, int) {
        Events.push_back("end " + NameOf(sender) + " on " + NameOf(target));
    }
    void Down(TObject*, TMouseButton, TShiftState, int, int) { Events.push_back("down"); }
    void Click(TObject*) { Events.push_back("click"); }
};

TEST(PublishedRows, AnAutomaticDragStartsOnThePressAndDropsOnAControlThatAccepts) {
    const struct {
        QPoint releaseAt; // in the dragged control's window
        std::vector<std::string> events;
    } cases[] = {
        {QPoint(110, 15),
         {"start A", "over B 0 from A", "over B 2 from A", "drop B from A at 20,15", "end A on B"}},
        {QPoint(5, 5), {"start A", "end A on nothing"}},
    };
    for (const auto& k : cases) {
        TForm form(nullptr);
        form.SetBounds(0, 0, 300, 200);
        auto* a = new TStdWin(&form);
        a->SetName("A");
        a->SetParent(&form);
        a->SetBounds(10, 10, 40, 40);
        auto* b = new TStdWin(&form);
        b->SetName("B");
        b->SetParent(&form);
        b->SetBounds(100, 10, 40, 40);
        TDragLog log;
        a->SetDragMode(dmAutomatic);
        a->OnStartDrag = TStartDragEvent::Bind<&TDragLog::StartDrag>(&log);
        a->OnEndDrag = TEndDragEvent::Bind<&TDragLog::EndDrag>(&log);
        a->OnMouseDown = TMouseEvent::Bind<&TDragLog::Down>(&log);
        a->OnClick = TNotifyEvent::Bind<&TDragLog::Click>(&log);
        b->OnDragOver = TDragOverEvent::Bind<&TDragLog::DragOver>(&log);
        b->OnDragDrop = TDragDropEvent::Bind<&TDragLog::DragDrop>(&log);
        form.Show();
        Pump();

        SendMouse(a->Widget(), QEvent::MouseButtonPress, QPoint(5, 5));
        EXPECT_TRUE(a->Dragging());
        if (k.releaseAt != QPoint(5, 5)) SendMouse(a->Widget(), QEvent::MouseMove, k.releaseAt);
        SendMouse(a->Widget(), QEvent::MouseButtonRelease, k.releaseAt);
        EXPECT_FALSE(a->Dragging());
        EXPECT_EQ(log.Events, k.events);
    }
}
