#include "visual_controls/Luxbase.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/System.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "visual_controls/LuxEffect.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

void Pump() {
    for (int i = 0; i < 3; ++i) Application->ProcessMessages();
}

// Collects what the bases tell their owners.
struct TListener : TObject {
    std::vector<std::string> Log;
    void Changed(TObject*) { Log.push_back("change"); }
    void Bounds(TObject*, TLuxBoundsChangeStates s) {
        Log.push_back(std::string("bounds") + (s.Contains(bcPos) ? " pos" : "") +
                      (s.Contains(bcSize) ? " size" : ""));
    }
    void Enter(TObject*) { Log.push_back("enter"); }
    void Exit(TObject*) { Log.push_back("exit"); }
    void AfterEnter(TObject*) { Log.push_back("after enter"); }
    void AfterExit(TObject*) { Log.push_back("after exit"); }
};

class TCountingLabel : public TLuxBaseGraphicControl {
public:
    using TLuxBaseGraphicControl::TLuxBaseGraphicControl;
    int Paints = 0;
    void Loading(bool on) {
        TComponentState s = ComponentState();
        on ? s.Include(TComponentStateItem::csLoading) : s.Exclude(TComponentStateItem::csLoading);
        SetComponentState(s);
    }

protected:
    void Paint() override {
        ++Paints;
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(ClientRect());
    }
};

// A windowed control that can offer its children a background.
class TBackPanel : public TLuxCustomControl {
public:
    using TLuxCustomControl::TLuxCustomControl;
    bool Offers = false;
    bool BackBitmapCheck() override { return Offers; }
};

struct LuxbaseTest : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TListener listener;
    void SetUp() override {
        form->SetColor(clGray);
        form->SetClientSize(200, 150);
    }
};

} // namespace

TEST(Luxbase, SettingsObjectsNotifyOnceAfterAnUpdateAndNeverDuringIt) {
    TListener l;
    TLuxObject object;
    object.OnChange = TNotifyEvent::Bind<&TListener::Changed>(&l);
    object.BeginUpdate();
    object.BeginUpdate();
    object.Change();
    object.EndUpdate(false);
    EXPECT_TRUE(l.Log.empty());
    object.Change();
    EXPECT_EQ(l.Log.size(), 1u) << "one EndUpdate ends any number of BeginUpdate calls";
    object.BeginUpdate();
    object.Change();
    object.EndUpdate(true);
    EXPECT_EQ(l.Log.size(), 2u);
    object.GetChange(nullptr);
    EXPECT_EQ(l.Log.size(), 3u);
}

TEST_F(LuxbaseTest, BoundsChangeTellsWhatChangedUnlessLoading) {
    auto* label = new TCountingLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(10, 10, 30, 30);
    label->OnBoundsChange = TLuxBoundsChangeEvent::Bind<&TListener::Bounds>(&listener);
    const struct {
        int l, t, w, h;
        const char* told;
    } cases[] = {{20, 10, 30, 30, "bounds pos"},    {20, 10, 40, 30, "bounds size"},
                 {0, 0, 10, 10, "bounds pos size"}, {0, 0, 10, 10, ""},
                 {0, 5, 10, 10, "bounds pos"},      {0, 5, 10, 12, "bounds size"}};
    for (const auto& c : cases) {
        listener.Log.clear();
        label->SetBounds(c.l, c.t, c.w, c.h);
        EXPECT_EQ(listener.Log.empty() ? std::string() : listener.Log[0], c.told) << c.l << "," << c.t;
        EXPECT_LE(listener.Log.size(), 1u);
    }
    listener.Log.clear();
    label->Loading(true);
    label->SetBounds(50, 50, 50, 50);
    label->Loading(false);
    EXPECT_TRUE(listener.Log.empty());
}

TEST_F(LuxbaseTest, MouseEventsOnlyWhileEnabled) {
    auto* label = new TCountingLabel(form.get());
    label->SetParent(form.get());
    label->OnMouseEnter = TNotifyEvent::Bind<&TListener::Enter>(&listener);
    label->OnMouseExit = TNotifyEvent::Bind<&TListener::Exit>(&listener);
    label->Perform(CM_MOUSEENTER, 0, 0);
    label->Perform(CM_MOUSELEAVE, 0, 0);
    label->SetEnabled(false);
    label->Perform(CM_MOUSEENTER, 0, 0);
    label->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(listener.Log, (std::vector<std::string>{"enter", "exit"}));
}

TEST_F(LuxbaseTest, GraphicControlStartsTransparentAndRepaintsByItsMode) {
    auto* label = new TCountingLabel(form.get());
    EXPECT_TRUE(label->Transparent());
    EXPECT_EQ(label->Width(), 30);
    EXPECT_EQ(label->Height(), 30);
    EXPECT_FALSE(label->ControlStyle.Contains(csOpaque));
    EXPECT_TRUE(label->ControlStyle.Contains(csReplicatable));
    label->SetBounds(10, 10, 30, 30);
    label->SetParent(form.get());
    form->Show();
    form->Update();

    // Transparent: the parent paints the background and the label again at its next paint.
    const int before = label->Paints;
    label->GetChange(nullptr);
    EXPECT_EQ(label->Paints, before);
    form->Update();
    EXPECT_EQ(label->Paints, before + 1);

    // Opaque: the label paints itself at once, with nothing erased under it.
    label->SetTransparent(false);
    EXPECT_TRUE(label->ControlStyle.Contains(csOpaque));
    const int opaque = label->Paints;
    EXPECT_GE(opaque, before + 2) << "the change of mode paints it";
    label->GetChange(nullptr);
    EXPECT_EQ(label->Paints, opaque + 1);
    EXPECT_EQ(SurfacePixel(form.get(), 15, 15), RGB(0xFF, 0, 0));

    label->SetTransparent(true);
    label->DisableTransMode();
    EXPECT_FALSE(label->Transparent());
    EXPECT_TRUE(label->ControlStyle.Contains(csOpaque));
}

TEST_F(LuxbaseTest, BackgroundCameFromTheParentOnlyWhereOneIsOffered) {
    auto* panel = new TBackPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 100, 80);
    auto* onPanel = new TCountingLabel(form.get());
    onPanel->SetParent(panel);
    auto* onForm = new TCountingLabel(form.get());
    onForm->SetParent(form.get());
    form->Show();
    panel->HandleNeeded();

    const struct {
        bool offers, transparent;
        bool onPanel;
    } cases[] = {{false, true, false}, {true, true, true}, {true, false, false}};
    for (const auto& c : cases) {
        panel->Offers = c.offers;
        onPanel->SetTransparent(c.transparent);
        onForm->SetTransparent(c.transparent);
        EXPECT_EQ(onPanel->CheckOptimized(), c.onPanel) << c.offers << c.transparent;
        EXPECT_FALSE(onForm->CheckOptimized()) << "a form without a form shape never offers one";
    }

    // A changed background repaints only a label that draws it.
    onPanel->SetTransparent(true);
    for (bool offers : {false, true}) {
        panel->Offers = offers;
        panel->Update();
        const int paints = onPanel->Paints;
        onPanel->Perform(CM_LuxBACKCHANGED, 0, 0);
        panel->Update();
        EXPECT_EQ(onPanel->Paints, paints + (offers ? 1 : 0)) << offers;
    }
}

TEST_F(LuxbaseTest, BackMapPointAddsTheParentsPositionAndHalfItsFrame) {
    auto* panel = new TBackPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(20, 30, 100, 80);
    auto* label = new TCountingLabel(form.get());
    label->SetParent(panel);
    EXPECT_EQ(label->BackMapPoint(1, 2), TPoint(21, 32));
    auto* direct = new TCountingLabel(form.get());
    direct->SetParent(form.get());
    const int dx = (form->Width() - form->ClientWidth()) / 2,
              dy = (form->Height() - form->ClientHeight()) / 2;
    EXPECT_EQ(direct->BackMapPoint(1, 2), TPoint(1 + dx, 2 + dy)) << "a form's position is not added";
    label->SetBounds(5, 6, 10, 10);
    EXPECT_EQ(label->GetScreenRect(Rect(0, 0, 10, 10)).Left, label->ClientOrigin().X);
}

TEST_F(LuxbaseTest, WindowedControlStylesFollowTransparencyAndMode) {
    auto* panel = new TBackPanel(form.get());
    panel->SetParent(form.get());
    EXPECT_EQ(panel->Width(), 100);
    EXPECT_EQ(panel->Height(), 40);
    EXPECT_FALSE(panel->TabStop());
    EXPECT_EQ(panel->TransparencyMode(), tmLux);
    EXPECT_TRUE(panel->RepaintOnChange);
    const struct {
        bool transparent;
        TLuxTransparencyMode mode;
        bool exTransparent;
        LRESULT erase; // 1: nothing erased
    } cases[] = {{false, tmLux, false, 1},
                 {true, tmLux, false, 1},
                 {true, tmReal, true, 1},
                 {false, tmReal, false, 1}};
    for (const auto& c : cases) {
        panel->SetTransparent(c.transparent);
        panel->SetTransparencyMode(c.mode);
        const HWND before = panel->Handle();
        (void)before;
        const TCreateParams& p = panel->WindowParams();
        EXPECT_TRUE(p.Style & WS_CLIPCHILDREN);
        EXPECT_EQ((p.ExStyle & WS_EX_TRANSPARENT) != 0, c.exTransparent) << c.transparent << c.mode;
        EXPECT_EQ(p.WindowClass.style & (CS_HREDRAW | CS_VREDRAW), 0u);
    }
    // Erasing the background: skipped when the parent shows through or a back bitmap is drawn.
    HDC dc = GetDC(panel->Handle());
    panel->SetTransparent(false);
    EXPECT_EQ(panel->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1) << "inherited erase";
    panel->SetTransparent(true);
    panel->SetTransparencyMode(tmReal);
    ReleaseDC(panel->Handle(), dc);
}

TEST_F(LuxbaseTest, RealTransparencyShowsTheParentWhereTheControlPaintsNothing) {
    auto* flood = new TCountingLabel(form.get());
    flood->SetParent(form.get());
    flood->SetBounds(30, 30, 40, 40);
    auto* panel = new TBackPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(20, 20, 100, 80);
    panel->SetColor(clBlue);
    form->Show();
    EXPECT_EQ(SurfacePixel(panel, 15, 15), RGB(0, 0, 0xFF)) << "opaque: its own colour";
    panel->SetTransparent(true);
    panel->SetTransparencyMode(tmReal);
    EXPECT_EQ(SurfacePixel(panel, 15, 15), RGB(0xFF, 0, 0)) << "the red control under it";
    EXPECT_EQ(SurfacePixel(panel, 60, 60), RGB(0x80, 0x80, 0x80)) << "the form under it";
}

TEST_F(LuxbaseTest, FlatBorderIsLitWhileFocusedOrUnderTheMouse) {
    auto* panel = new TBackPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 60, 40);
    panel->SetColor(clWhite);
    panel->OnMouseEnter = TNotifyEvent::Bind<&TListener::Enter>(&listener);
    panel->OnMouseExit = TNotifyEvent::Bind<&TListener::Exit>(&listener);
    panel->OnAfterEnter = TNotifyEvent::Bind<&TListener::AfterEnter>(&listener);
    panel->OnAfterExit = TNotifyEvent::Bind<&TListener::AfterExit>(&listener);
    form->Show();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    auto corner = [&] {
        HDC dc = GetDC(panel->Handle());
        const COLORREF c[2] = {GetPixel(dc, 0, 0), GetPixel(dc, 1, 1)};
        ReleaseDC(panel->Handle(), dc);
        return std::vector<COLORREF>(c, c + 2);
    };
    panel->SetFlat(true);
    EXPECT_EQ(corner(), (std::vector<COLORREF>{face, face})) << "flat: two frames in the face colour";
    panel->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(panel->MouseAbove());
    panel->RestoreBorderFront();
    EXPECT_EQ(corner()[1], frame) << "lit: the window-frame colour inside";
    panel->RestoreBorderBack();
    EXPECT_EQ(corner()[1], frame) << "the flat frame waits while the mouse is above";
    panel->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(panel->MouseAbove());
    EXPECT_EQ(corner(), (std::vector<COLORREF>{face, face})) << "flattened when the mouse leaves";

    panel->Perform(WM_SETFOCUS, 0, 0);
    panel->Perform(WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(listener.Log, (std::vector<std::string>{"enter", "exit"})) << "the after-events come later";
    Pump();
    EXPECT_EQ(listener.Log, (std::vector<std::string>{"enter", "exit", "after enter", "after exit"}));
}

TEST(Luxbase, FormComponentsAndTheDockError) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* a = new TBackPanel(form.get());
    auto* b = new TCountingLabel(form.get());
    // Found by what a component is, its own class or one it derives from.
    const struct {
        const char* what;
        TComponent* where;
        TLuxClass cls;
        int index;
    } cases[] = {
        {"its own class", form.get(), LuxClassOf<TCountingLabel>(), 1},
        {"a base class", form.get(), LuxClassOf<TLuxBaseGraphicControl>(), 1},
        {"the first of two", form.get(), LuxClassOf<TControl>(), 0},
        {"a class no component is", form.get(), LuxClassOf<TLuxContainerCtrl>(), -1},
        {"no class", form.get(), nullptr, -1},
        {"not a form", a, LuxClassOf<TCountingLabel>(), -1},
    };
    for (const auto& c : cases) EXPECT_EQ(LuxCheckForFormComponent(c.where, c.cls), c.index) << c.what;
    a->SetName("Panel1");
    b->SetName("Label1");
    try {
        LuxRaiseDockError(a, b);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message,
                  "Component Panel1:\rA TLuxDockLabel- or Button component was already attached to "
                  "the component: Label1\rOnly one LuxDockXXXX per control is allowed.");
    }
}

TEST_F(LuxbaseTest, BackgroundEffectsRepaintTheControlAndDropTheirBufferWhenTheBackgroundChanges) {
    auto* label = new TCountingLabel(form.get());
    label->SetParent(form.get());
    auto* panel = new TBackPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(50, 10, 100, 80);
    form->Show();
    panel->HandleNeeded();
    form->Update();
    TBitmap picture;
    picture.SetSize(2, 2);

    // A change of the effects repaints the label (opaque: at once).
    label->SetTransparent(false);
    const int paints = label->Paints;
    label->BackFX()->SetBoolean(2, true);
    EXPECT_EQ(label->Paints, paints + 1);
    TLuxBitmapEffectObject other;
    other.SetBoolean(3, true);
    label->SetBackFX(&other);
    EXPECT_TRUE(label->BackFX()->Invert());
    panel->SetBackFXObject(&other);
    EXPECT_TRUE(panel->BackFX()->Invert());

    // A changed background drops the buffered result, whether the control draws it or not.
    label->BackFX()->SetBoolean(4, true);
    label->BackFX()->StoreBuffer(&picture);
    label->Perform(CM_LuxBACKCHANGED, 0, 0);
    EXPECT_FALSE(label->BackFX()->BufferValid());

    TLuxBitmapEffectObject* fx = panel->BackFX();
    fx->SetBoolean(4, true);
    const struct {
        const char* what;
        bool offers, transparent;
        void (*act)(TBackPanel*);
        bool dropped;
    } cases[] = {
        {"background changed", false, false, [](TBackPanel* p) { p->Perform(CM_LuxBACKCHANGED, 0, 0); },
         true},
        {"resized", false, false,
         [](TBackPanel* p) { p->SetBounds(p->Left(), p->Top(), p->Width() + 4, 80); }, true},
        {"moved, drawing its own background", false, false,
         [](TBackPanel* p) { p->SetBounds(p->Left() + 3, p->Top(), p->Width(), 80); }, false},
        {"moved, drawing its parent's background", true, true,
         [](TBackPanel* p) { p->SetBounds(p->Left() + 3, p->Top(), p->Width(), 80); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        panel->Offers = c.offers;
        panel->SetTransparent(c.transparent);
        panel->HandleNeeded();
        fx->StoreBuffer(&picture);
        ASSERT_TRUE(fx->BufferValid());
        c.act(panel);
        EXPECT_EQ(fx->BufferValid(), !c.dropped);
        fx->DestroyBuffer();
    }

    // An image list the background's alpha blend draws from is let go when it goes.
    for (bool windowed : {false, true}) {
        SCOPED_TRACE(windowed);
        TLuxAlphaObject* alpha = windowed ? panel->BackFX()->AlphaBlend() : label->BackFX()->AlphaBlend();
        auto* list = new TLuxBitmapList(form.get());
        list->Add(nullptr);
        list->Items(0)->Bitmap()->SetSize(3, 3);
        alpha->FillObject()->SetFillStyle(sfBitmapList);
        alpha->SetImageList(list);
        EXPECT_FALSE(alpha->FillObject()->ListBitmap()->Empty());
        delete list;
        EXPECT_EQ(alpha->ImageList(), nullptr);
        EXPECT_TRUE(alpha->FillObject()->ListBitmap()->Empty());
    }
}
