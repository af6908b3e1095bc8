// The skinned buttons: which state's glyph, offset, text rectangle and region show in each condition
// and what stands in for missing ones; the window takes the region and the size of its box when the
// state changes, not while painting; check box and radio button sequences through the system
// button; the push-button scripts; the caption; streaming.
#include "indicator_controls/Std2Fancy.h"

#include "platform/gdi/Region.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WindowShape.h"
#include "platform/win/Messages.h"
#include "support/LedTest.h"
#include "support/PushButtonScript.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string Rects(const RegionValue& region) {
    std::string s;
    for (const RECT& r : region.Rects())
        s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
             std::to_string(r.bottom) + ")";
    return s;
}

std::string WindowRects(TWinControl* c) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const std::string s = GetWindowRgn(c->Handle(), rgn) == ERROR ? "none" : Rects(RegionValue::CopyOf(rgn));
    DeleteObject(rgn);
    return s;
}

// Fills a skin region with rectangles, as the stream would.
void FillRegion(TvcRgn* region, std::vector<RECT> rects) {
    HRGN rgn = CreateRectsRgn(rects.data(), rects.size());
    const DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> bytes(size);
    GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(bytes.data()));
    DeleteObject(rgn);
    TvcRgn source;
    source.SetRgn(bytes.data(), size);
    region->Assign(&source);
}

std::unique_ptr<TBitmap> Solid(int w, int h, COLORREF colour) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(colour);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

constexpr COLORREF kBack = 0x00FFFF;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00FF00;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kMagenta = 0xFF00FF;

struct TFancyForm : ::testing::Test {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TEventLog Log;
    TEdit* Edit = nullptr;

    template <class T> T* Add(int left, int top, const std::string& name, TWinControl* parent = nullptr) {
        auto* b = new T(Form.get());
        b->SetName(name);
        b->SetLeft(left);
        b->SetTop(top);
        b->SetParent(parent ? parent : Form.get());
        b->SetColor(kBack);
        b->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&Log);
        return b;
    }
    void SetUp() override {
        Form->SetBounds(0, 0, 400, 300);
        Edit = new TEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(300, 250, 60, 20);
    }
    // The form's loading protocol: every button is loaded.
    void Load() {
        Form->BeginLoading();
        Form->EndLoading();
    }
    void Show() {
        Form->Show();
        Pump();
    }
    void Send(TWinControl* c, UINT msg, WPARAM w, int x, int y) { c->MainWndProc(msg, w, MakeMouseLParam(x, y)); }
};

// Each state has its own glyph offset ((10 * state, 0)); some states have no glyph of their own
// and show the normal glyph at their own offset.
TEST_F(TFancyForm, CheckBoxStateAndGlyphFallbackTable) {
    auto* cb = Add<TvcFancyCheckBox>(10, 10, "cb");
    const std::pair<int, COLORREF> glyphs[] = {
        {fcNormal, kRed}, {fcChecked, kGreen}, {fcFocused, kBlue}, {fcDisabled, kGrey}, {fcGrayed, kMagenta}};
    for (const auto& [state, colour] : glyphs) cb->StateSet(state).Glyph.Assign(Solid(4, 4, colour).get());
    for (int state = fcNormal; state <= fcFocusedGrayed; ++state) cb->StateSet(state).OffsetGlyph.SetLeft(10 * state);
    ASSERT_EQ(fcFocusedGrayed, 6);
    Show();

    auto check = [&](int state, COLORREF colour, const std::string& row) {
        EXPECT_EQ(cb->PaintState(), state) << row;
        const auto picture = Snapshot(cb);
        EXPECT_EQ(PixelAt(picture.get(), 10 * state + 1, 1), colour) << row;
        EXPECT_EQ(PixelAt(picture.get(), 10 * state + 4, 1), kBack) << row;
        if (state != fcNormal) {
            EXPECT_EQ(PixelAt(picture.get(), 1, 1), kBack) << row;
        }
    };

    // Before loading: the normal state whatever the condition.
    cb->SetState(cbChecked);
    cb->SetFocus();
    check(fcNormal, kRed, "not loaded");
    Load();

    const struct {
        bool enabled, focused;
        TCheckBoxState state;
        int expected;
        COLORREF colour;
    } rows[] = {
        {true, false, cbUnchecked, fcNormal, kRed},
        {true, false, cbChecked, fcChecked, kGreen},
        {true, false, cbGrayed, fcGrayed, kMagenta},
        {true, true, cbUnchecked, fcFocused, kBlue},
        {true, true, cbChecked, fcFocusedChecked, kRed},
        {true, true, cbGrayed, fcFocusedGrayed, kRed},
        {false, false, cbChecked, fcDisabled, kGrey},
        {false, false, cbUnchecked, fcDisabled, kGrey},
    };
    for (const auto& r : rows) {
        cb->SetEnabled(r.enabled);
        cb->SetState(r.state);
        if (r.focused)
            cb->SetFocus();
        else
            Edit->SetFocus();
        ASSERT_EQ(cb->Focused(), r.focused);
        check(r.expected, r.colour,
              std::to_string(r.enabled) + std::to_string(r.focused) + std::to_string(static_cast<int>(r.state)));
    }

    // Without any glyph only the background shows.
    cb->SetEnabled(true);
    Edit->SetFocus();
    cb->SetState(cbUnchecked);
    cb->SetGlyph(nullptr);
    EXPECT_EQ(cb->ShownGlyph(), nullptr);
    EXPECT_EQ(PixelAt(Snapshot(cb).get(), 1, 1), kBack);
}

TEST_F(TFancyForm, RadioButtonStates) {
    auto* rb = Add<TvcFancyRadioButton>(10, 10, "rb");
    Show();
    rb->SetChecked(true);
    Edit->SetFocus();
    EXPECT_EQ(rb->PaintState(), fcNormal) << "not loaded";
    Load();
    const struct {
        bool enabled, focused, checked;
        int expected;
    } rows[] = {
        {true, false, false, fcNormal},   {true, false, true, fcChecked},    {true, true, false, fcFocused},
        {true, true, true, fcFocusedChecked}, {false, false, true, fcDisabled},
    };
    for (const auto& r : rows) {
        rb->SetEnabled(r.enabled);
        rb->SetChecked(r.checked);
        if (r.focused) {
            // Taking the focus checks it; the row's check state is set again after.
            rb->SetFocus();
            rb->SetChecked(r.checked);
        } else {
            Edit->SetFocus();
        }
        EXPECT_EQ(rb->PaintState(), r.expected) << r.enabled << r.focused << r.checked;
    }
}

// The region: the state's own, else the normal one, else the whole control; the control takes the
// size of the region's box; the window region changes with the state and never while painting.
TEST_F(TFancyForm, CheckBoxRegionFallbackAndSize) {
    auto* cb = Add<TvcFancyCheckBox>(10, 10, "cb");
    // A 50 x 20 box: an L of two rectangles.
    FillRegion(cb->BtnRgn(), {{0, 0, 50, 10}, {0, 10, 25, 20}});
    FillRegion(cb->BtnRgnChecked(), {{0, 0, 30, 12}});
    Show();
    // Not loaded: the client rectangle.
    EXPECT_EQ(WindowRects(cb), "none");
    EXPECT_EQ(cb->Width(), 89);
    EXPECT_EQ(cb->Height(), 33);

    Load();
    EXPECT_EQ(cb->Width(), 50);
    EXPECT_EQ(cb->Height(), 20);
    EXPECT_EQ(cb->Left(), 10);
    EXPECT_EQ(WindowRects(cb), "(0,0,50,10)(0,10,25,20)");
    EXPECT_EQ(cb->Perform(CM_HITTEST, 0, MakeMouseLParam(40, 15)), 0);
    EXPECT_EQ(cb->Perform(CM_HITTEST, 0, MakeMouseLParam(10, 15)), 1);

    // A state with a region of its own; the focused checked state has none and takes the normal one.
    cb->SetChecked(true);
    EXPECT_EQ(WindowRects(cb), "(0,0,30,12)");
    EXPECT_EQ(cb->Width(), 30);
    cb->SetFocus();
    ASSERT_EQ(cb->PaintState(), fcFocusedChecked);
    EXPECT_EQ(WindowRects(cb), "(0,0,50,10)(0,10,25,20)");
    EXPECT_EQ(cb->Width(), 50);

    // Painting changes neither region nor size.
    cb->SetBounds(10, 10, 70, 40);
    cb->Repaint();
    Pump();
    EXPECT_EQ(cb->Width(), 70);
    EXPECT_EQ(WindowRects(cb), "(0,0,50,10)(0,10,25,20)");

    // No region at all: the whole control.
    cb->SetBtnRgn(nullptr);
    EXPECT_EQ(WindowRects(cb), "none");
    EXPECT_EQ(cb->Perform(CM_HITTEST, 0, MakeMouseLParam(60, 30)), 1);
}

TEST_F(TFancyForm, CheckBoxSequences) {
    auto* cb = Add<TvcFancyCheckBox>(10, 10, "cb");
    cb->SetCaption("&Tick");
    Show();
    Load();
    auto click = [&] {
        Send(cb, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
        Send(cb, WM_LBUTTONUP, 0, 5, 5);
    };
    auto sequence = [&](int n) {
        std::string states;
        for (int i = 0; i < n; ++i) {
            click();
            states += std::to_string(static_cast<int>(cb->State()));
            EXPECT_EQ(SendMessage(cb->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(cb->State()));
        }
        return states;
    };
    // The system button's click reaches the control as CN_COMMAND and toggles it.
    EXPECT_EQ(sequence(3), "101");
    EXPECT_TRUE(cb->Focused());
    EXPECT_EQ(Log.Events, "click cb, click cb, click cb");
    cb->SetChecked(false);
    cb->SetAllowGrayed(true);
    EXPECT_EQ(sequence(4), "2102");

    // Setting Checked fires OnClick once; setting the value it has fires nothing.
    cb->SetState(cbUnchecked);
    Log.Events.clear();
    cb->SetChecked(true);
    cb->SetChecked(true);
    EXPECT_EQ(Log.Events, "click cb");

    // The space bar, and a release outside the button that does not click.
    cb->SetAllowGrayed(false);
    cb->MainWndProc(WM_KEYDOWN, VK_SPACE, 0);
    cb->MainWndProc(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(cb->State(), cbUnchecked);
    Send(cb, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Send(cb, WM_MOUSEMOVE, MK_LBUTTON, 200, 5);
    Send(cb, WM_LBUTTONUP, 0, 200, 5);
    EXPECT_EQ(cb->State(), cbUnchecked);

    // The accelerator focuses and toggles it.
    Edit->SetFocus();
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, 't', 0), 1);
    EXPECT_TRUE(cb->Focused());
    EXPECT_EQ(cb->State(), cbChecked);
}

TEST_F(TFancyForm, RadioButtonsUncheckTheirGroupOnTheirParent) {
    auto* a = Add<TvcFancyRadioButton>(10, 10, "a");
    auto* b = Add<TvcFancyRadioButton>(10, 50, "b");
    auto* c = Add<TvcFancyRadioButton>(10, 90, "c");
    auto* panel = new TPanel(Form.get());
    panel->SetParent(Form.get());
    panel->SetBounds(150, 10, 120, 60);
    auto* d = Add<TvcFancyRadioButton>(5, 5, "d", panel);
    for (auto* r : {a, b, d}) r->SetGroupIndex(1);
    c->SetGroupIndex(2);
    Show();
    EXPECT_FALSE(a->TabStop());
    b->SetChecked(true);
    c->SetChecked(true);
    d->SetChecked(true);
    EXPECT_TRUE(b->TabStop());
    Log.Events.clear();

    // A click checks it (once, on taking the focus) and unchecks b only.
    Send(a, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Send(a, WM_LBUTTONUP, 0, 5, 5);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_FALSE(b->TabStop());
    EXPECT_TRUE(c->Checked());
    EXPECT_TRUE(d->Checked());
    EXPECT_EQ(SendMessage(a->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_EQ(SendMessage(b->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    EXPECT_EQ(Log.Events, "click a");

    // Taking the focus checks it.
    b->SetFocus();
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());

    // A double click is told to the control.
    int doubles = 0;
    struct TCount {
        int* n;
        void Hit(TObject*) { ++*n; }
    } count{&doubles};
    b->OnDblClick = TNotifyEvent::Bind<&TCount::Hit>(&count);
    b->Perform(CN_COMMAND, static_cast<WPARAM>(BN_DOUBLECLICKED) << 16, 0);
    EXPECT_EQ(doubles, 1);
}

// Up: red, Down: green, Disabled: grey, Focused: none (the up glyph at its own offset (20, 0)).
TEST_F(TFancyForm, PushButtonStateGlyphAndRegionTable) {
    auto* btn = Add<TvcFancyButton>(10, 10, "btn");
    EXPECT_EQ(btn->Width(), 89);
    EXPECT_EQ(btn->TextSizeDown()->Left(), 3);
    EXPECT_EQ(btn->TextSizeUp()->Width(), 84);
    btn->SetGlyphUp(Solid(4, 4, kRed).get());
    btn->SetGlyphDown(Solid(4, 4, kGreen).get());
    btn->SetGlyphDisabled(Solid(4, 4, kGrey).get());
    const int offsets[] = {0, 10, 20, 30};
    for (int state = fbUp; state <= fbDisabled; ++state) btn->StateSet(state).OffsetGlyph.SetLeft(offsets[state]);
    FillRegion(btn->BtnRgnUp(), {{0, 0, 50, 10}, {0, 10, 25, 20}});
    FillRegion(btn->BtnRgnDown(), {{0, 0, 40, 20}});
    Show();
    auto colourAt = [&](int state) { return PixelAt(Snapshot(btn).get(), offsets[state] + 1, 1); };

    // Not loaded: the Focused state and the whole control.
    EXPECT_EQ(btn->PaintState(), fbFocused);
    EXPECT_EQ(colourAt(fbFocused), kRed);
    EXPECT_EQ(WindowRects(btn), "none");
    Load();
    EXPECT_EQ(btn->PaintState(), fbUp);
    EXPECT_EQ(colourAt(fbUp), kRed);
    EXPECT_EQ(btn->Width(), 50);
    EXPECT_EQ(btn->Height(), 20);
    EXPECT_EQ(WindowRects(btn), "(0,0,50,10)(0,10,25,20)");

    btn->SetFocus();
    EXPECT_EQ(btn->PaintState(), fbFocused);
    EXPECT_EQ(colourAt(fbFocused), kRed);
    EXPECT_EQ(WindowRects(btn), "(0,0,50,10)(0,10,25,20)");

    // Pressed: the down glyph and the down region, which hit tests follow.
    Send(btn, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    EXPECT_EQ(btn->PaintState(), fbDown);
    EXPECT_EQ(colourAt(fbDown), kGreen);
    EXPECT_EQ(WindowRects(btn), "(0,0,40,20)");
    EXPECT_EQ(btn->Width(), 40);
    EXPECT_EQ(btn->Perform(CM_HITTEST, 0, MakeMouseLParam(30, 15)), 1);
    Send(btn, WM_LBUTTONUP, 0, 5, 5);
    EXPECT_EQ(WindowRects(btn), "(0,0,50,10)(0,10,25,20)");
    EXPECT_EQ(btn->Perform(CM_HITTEST, 0, MakeMouseLParam(30, 15)), 0);

    btn->SetEnabled(false);
    EXPECT_EQ(btn->PaintState(), fbDisabled);
    EXPECT_EQ(colourAt(fbDisabled), kGrey);
}

// The look: down while pressed, focused while held out of the region, up once the focus has gone.
const TPaintStates FancyButtonLook{[](TControl* c) { return static_cast<TvcFancyButton*>(c)->PaintState(); },
                                   fbUp, fbDown, fbFocused};

TEST_F(TFancyForm, PushButtonMouseScripts) {
    auto* btn = Add<TvcFancyButton>(10, 10, "btn");
    FillRegion(btn->BtnRgnUp(), {{0, 0, 50, 10}, {0, 10, 25, 20}});
    Show();
    Load();
    ASSERT_EQ(btn->Width(), 50);
    // Down while the press stays inside the window's region, pressed only in the client rectangle.
    TMouseScript script({10, 5});
    script.OutOfRegion = TPoint(40, 15);
    script.Look = FancyButtonLook;
    RunMouseScript(btn, Log, script);
}

TEST_F(TFancyForm, PushButtonKeyScripts) {
    TKeyScript script([this](const std::string& n, int l, int t) { return Add<TvcFancyButton>(l, t, n); });
    script.Ready = [this] {
        Show();
        Load();
    };
    script.Look = FancyButtonLook;
    RunKeyScript(Form.get(), Log, script);
}

// The caption in its text rectangle: centred, bold while focused, white and grey when disabled.
TEST_F(TFancyForm, Caption) {
    auto* cb = Add<TvcFancyCheckBox>(10, 10, "cb");
    cb->SetCaption("Wide caption");
    cb->Font()->SetColor(kRed);
    Show();
    Load();
    auto box = [&](COLORREF colour, int* count = nullptr) {
        const auto picture = Snapshot(cb);
        TRect r(1000, 1000, -1, -1);
        int n = 0;
        for (int y = 0; y < cb->Height(); ++y)
            for (int x = 0; x < cb->Width(); ++x)
                if (PixelAt(picture.get(), x, y) == colour) {
                    ++n;
                    r.Left = std::min(r.Left, x), r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1), r.Bottom = std::max(r.Bottom, y + 1);
                }
        if (count) *count = n;
        return r;
    };
    // A fresh box: Color all round the caption, centred in (0, 0)-(89, 33).
    const auto fresh = Snapshot(cb);
    EXPECT_EQ(PixelAt(fresh.get(), 0, 0), kBack);
    EXPECT_EQ(PixelAt(fresh.get(), 88, 32), kBack);
    int plain = 0;
    const TRect text = box(kRed, &plain);
    EXPECT_LE(std::abs(text.Left + text.Right - 89), 1);
    EXPECT_LE(std::abs(text.Top + text.Bottom - 33), 1);

    int bold = 0;
    cb->SetFocus();
    box(kRed, &bold);
    EXPECT_GT(bold, plain);
    cb->SetDefaultLook(dlfNone);
    int own = 0;
    box(kRed, &own);
    EXPECT_EQ(own, plain);

    // Disabled: white one pixel down and right of the grey.
    Edit->SetFocus();
    cb->SetEnabled(false);
    const TRect grey = box(kGrey);
    const TRect white = box(0xFFFFFF);
    EXPECT_EQ(grey.Left, text.Left);
    EXPECT_EQ(white.Right, grey.Right + 1);
    EXPECT_EQ(white.Bottom, grey.Bottom + 1);
    EXPECT_EQ(box(kRed).Right, -1);

    // The text rectangle of the state moves the caption.
    cb->SetEnabled(true);
    cb->SetState(cbChecked);
    EXPECT_EQ(box(kRed).Left, text.Left + 1);
}

// In the designer the look follows the state without loading, and a dashed frame marks the control.
TEST_F(TFancyForm, TheDesignerShowsTheStateAndAFrame) {
    auto* cb = Add<TvcFancyCheckBox>(10, 10, "cb");
    FillRegion(cb->BtnRgnChecked(), {{0, 0, 60, 30}});
    Show();
    DesignComponent(cb);
    cb->SetChecked(true);
    EXPECT_FALSE(cb->IsLoaded());
    EXPECT_EQ(cb->PaintState(), fcChecked);
    EXPECT_EQ(WindowRects(cb), "(0,0,60,30)");
    const auto picture = Snapshot(cb);
    EXPECT_EQ(PixelAt(picture.get(), 0, 0), 0u);
    EXPECT_EQ(PixelAt(picture.get(), 5, 5), kBack);
}

// Offsets and text rectangles given whole are copied; the button keeps its own objects.
TEST_F(TFancyForm, OffsetsAndTextRectanglesAreCopied) {
    auto* btn = Add<TvcFancyButton>(0, 0, "btn");
    TvcBmpOffset* own = btn->OffsetGlyphDown();
    {
        TvcBmpOffset offset;
        offset.SetLeft(7);
        offset.SetTop(8);
        btn->SetOffsetGlyphDown(&offset);
        TvcTextSize text;
        text.SetLeft(1);
        text.SetTop(2);
        text.SetWidth(3);
        text.SetHeight(4);
        btn->SetTextSizeUp(&text);
    }
    EXPECT_EQ(btn->OffsetGlyphDown(), own);
    EXPECT_EQ(own->Left(), 7);
    EXPECT_EQ(own->Top(), 8);
    EXPECT_EQ(btn->TextSizeUp()->Height(), 4);
    // Editing the button's own objects repaints it.
    int paints = 0;
    struct TCount {
        int* n;
        void Hit(TObject*) { ++*n; }
    } count{&paints};
    btn->OnPaint = TNotifyEvent::Bind<&TCount::Hit>(&count);
    Show();
    Pump();
    const int before = paints;
    own->SetLeft(9);
    Pump();
    EXPECT_GT(paints, before);
}

// Everything the designer set comes back from the stream, and reading ends with the loaded look.
TEST(TvcFancyStream, SkinsStreamAndLoad) {
    TvcFancyCheckBox box(nullptr);
    box.SetCaption("Skin");
    box.SetAllowGrayed(true);
    box.SetState(cbGrayed);
    box.SetTransparentColor(0x00FF00);
    box.SetHorzAlign(vbha_Bottom);
    FillRegion(box.BtnRgnGrayed(), {{0, 0, 40, 15}, {0, 15, 20, 25}});
    box.GlyphChecked()->Assign(Solid(6, 3, kBlue).get());
    box.OffsetGlyphFocusedGrayed()->SetLeft(12);
    box.TextSizeDisabled()->SetWidth(70);

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&box);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(TReader(&stream).ReadRootComponent(nullptr));
    auto* back = dynamic_cast<TvcFancyCheckBox*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Caption(), "Skin");
    EXPECT_TRUE(back->AllowGrayed());
    EXPECT_EQ(back->State(), cbGrayed);
    EXPECT_EQ(back->TransparentColor(), 0x00FF00);
    EXPECT_EQ(back->HorzAlign(), vbha_Bottom);
    EXPECT_EQ(back->BtnRgnGrayed()->Data(), box.BtnRgnGrayed()->Data());
    EXPECT_FALSE(back->BtnRgn()->ExsistData());
    EXPECT_EQ(back->GlyphChecked()->Width(), 6);
    EXPECT_TRUE(back->Glyph()->Empty());
    EXPECT_EQ(back->OffsetGlyphFocusedGrayed()->Left(), 12);
    EXPECT_EQ(back->TextSizeDisabled()->Width(), 70);
    EXPECT_EQ(back->TextSizeChecked()->Left(), 1);
    // Loaded: the grayed state's region box sizes it.
    EXPECT_TRUE(back->IsLoaded());
    EXPECT_EQ(back->PaintState(), fcGrayed);
    EXPECT_EQ(back->Width(), 40);
    EXPECT_EQ(back->Height(), 25);
    EXPECT_EQ(Rects(back->ShownRegion()), "(0,0,40,15)(0,15,20,25)");

    TvcFancyButton button(nullptr);
    button.SetDefault(true);
    button.SetModalResult(mrOk);
    FillRegion(button.BtnRgnDown(), {{0, 0, 10, 10}});
    TMemoryStream second;
    TWriter(&second).WriteRootComponent(&button);
    second.SetPosition(0);
    std::unique_ptr<TComponent> readButton(TReader(&second).ReadRootComponent(nullptr));
    auto* backButton = dynamic_cast<TvcFancyButton*>(readButton.get());
    ASSERT_NE(backButton, nullptr);
    EXPECT_TRUE(backButton->Default());
    EXPECT_EQ(backButton->ModalResult(), mrOk);
    EXPECT_TRUE(backButton->BtnRgnDown()->ExsistData());
    EXPECT_EQ(backButton->Width(), 89);
}

} // namespace
