#include "visual_controls/Luxutils.h"

#include "platform/gdi/Draw.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/IniFiles.h"
#include "platform/ui/Registry.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/ui/SystemMenu.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "tools/testing/TempHome.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Joined(const TStringList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list.Strings(i);
    return out;
}

} // namespace

TEST(Luxutils, ParseToStrList) {
    const struct {
        const char* text;
        const char* fields;
    } cases[] = {{"a,,b,", "a||b"}, {"a", "a"}, {",", ""}, {",x", "|x"}, {"a,b,,", "a|b|"}};
    for (const auto& c : cases) {
        TStringList list;
        LuxParseToStrList(c.text, ',', &list);
        EXPECT_EQ(Joined(list), c.fields) << c.text;
    }
    TStringList kept;
    kept.Add("old");
    LuxParseToStrList("", ',', &kept);
    EXPECT_EQ(Joined(kept), "old") << "nothing happens for an empty text";
    LuxParseToStrList("a", ',', nullptr);
}

TEST(Luxutils, PointsAndRectangles) {
    EXPECT_EQ(LuxPointToString(Point(10, 20)), "[10,20]");
    const struct {
        const char* text;
        TPoint p;
    } points[] = {{"[10,20]", Point(10, 20)}, {" [ -3 , 4 ] ", Point(-3, 4)}, {"1020", Point(0, 0)},
                  {",5", Point(0, 0)},        {"5,", Point(0, 0)},          {"[x,7]", Point(0, 7)}};
    for (const auto& c : points) EXPECT_EQ(LuxStringToPoint(c.text), c.p) << c.text;
    EXPECT_EQ(LuxRectToString(Rect(1, -2, 30, 40)), "1,-2,30,40");
    const struct {
        const char* text;
        TRect r;
    } rects[] = {{"1,-2,30,40", Rect(1, -2, 30, 40)}, {"1,2,3", TRect()}, {"1,2,3,4,5", TRect()},
                 {"a,2,3,4", Rect(0, 2, 3, 4)}};
    for (const auto& c : rects) EXPECT_EQ(LuxStringToRect(c.text), c.r) << c.text;
}

TEST(Luxutils, AlignRectPlacesBySize) {
    struct Row {
        TLuxAlignment a;
        TRect r, bounds, want;
    };
    const Row rows[] = {
        {agCenter, {0, 0, 10, 10}, {0, 0, 25, 25}, {7, 7, 17, 17}},
        {agTopLeft, {3, 4, 13, 14}, {5, 5, 25, 25}, {5, 5, 15, 15}},
        {agBottomRight, {0, 0, 10, 4}, {5, 5, 25, 25}, {15, 21, 25, 25}},
        {agTopCenter, {0, 0, 10, 4}, {0, 0, 21, 20}, {5, 0, 15, 4}},
        {agCenterRight, {0, 0, 10, 4}, {0, 0, 21, 21}, {11, 8, 21, 12}},
        {agBottomLeft, {0, 0, 10, 4}, {2, 0, 21, 20}, {2, 16, 12, 20}},
        // Larger than the bounds: the offsets go negative, truncated toward zero.
        {agCenter, {0, 0, 31, 31}, {0, 0, 20, 20}, {-5, -5, 26, 26}},
        {agBottomCenter, {0, 0, 30, 30}, {0, 0, 20, 20}, {-5, -10, 25, 20}},
    };
    for (const Row& r : rows) {
        const TRect got = LuxAlignRect(r.a, r.r, r.bounds);
        EXPECT_EQ(got.Left, r.want.Left) << r.a;
        EXPECT_EQ(got.Top, r.want.Top) << r.a;
        EXPECT_EQ(got.Right, r.want.Right) << r.a;
        EXPECT_EQ(got.Bottom, r.want.Bottom) << r.a;
    }
}

TEST(Luxutils, FontStringsChangeTheFontOnlyWhenWhole) {
    TFont font;
    font.SetName("Arial");
    font.SetSize(9);
    font.SetColor(clRed);
    font.SetStyle({fsBold, fsStrikeOut});
    EXPECT_EQ(LuxFontToString(&font), "Arial,9,clRed,1,0,0,1");
    LuxStringToFont("Courier,x,$00102030,0,1,1,0", &font);
    EXPECT_EQ(font.Name(), "Courier");
    EXPECT_EQ(font.Size(), 10) << "a size that is no number reads 10";
    EXPECT_EQ(font.Color(), 0x00102030);
    EXPECT_EQ(font.Style(), (TFontStyles{fsItalic, fsUnderline}));
    LuxStringToFont("Six,8,clRed,1,1,1", &font);
    EXPECT_EQ(font.Name(), "Courier") << "six fields leave the font alone";
    EXPECT_THROW(LuxStringToFont("Bad,8,clBlue,1,z,0,0", &font), EConvertError);
    EXPECT_EQ(font.Name(), "Courier") << "checked before anything changes";
    EXPECT_EQ(font.Color(), 0x00102030);
}

TEST(Luxutils, DividersSortNumerically) {
    const struct {
        int n;
        const char* list;
    } cases[] = {{12, "1|2|3|4|6|12"}, {1, ""}, {0, ""}, {7, "1|7"}, {100, "1|2|4|5|10|20|25|50|100"}};
    for (const auto& c : cases) {
        TStringList list;
        list.Add("stale");
        LuxGetDivider(&list, c.n);
        EXPECT_EQ(Joined(list), c.list) << c.n;
    }
}

TEST(Luxutils, WaitAndPlacement) {
    const std::uint64_t t0 = MonotonicMs();
    LuxWait(0);
    EXPECT_LT(MonotonicMs() - t0, 5u);
    LuxWait(20);
    EXPECT_GT(MonotonicMs() - t0, 20u);

    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    LuxCenterWindow(form.Handle(), true);
    EXPECT_EQ(form.Top(), (GetSystemMetrics(SM_CYSCREEN) - 300) / 3);
    EXPECT_EQ(form.Left(), (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
    LuxCenterWindow(form.Handle(), false);
    EXPECT_EQ(form.Top(), (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
    EXPECT_EQ(form.Width(), 400);
    EXPECT_TRUE(LuxIsChild(&form, &form));
    EXPECT_FALSE(LuxIsChild(&form, static_cast<TControl*>(nullptr)));
}

namespace {

std::vector<UINT> MenuEntries(HMENU menu) {
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

} // namespace

TEST(Luxutils, WindowMenusKeepOnlyTheEntriesAsked) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    const struct {
        bool newStyle, application;
        TLuxSysMenuEntries keep;
        std::vector<UINT> left;
    } cases[] = {
        {true, false, {smMove, smClose}, {SC_MOVE, 0, SC_CLOSE}},
        {true, false, {smClose}, {SC_CLOSE}},
        {true, false, {}, {}},
        {true,
         false,
         {smRestore, smMove, smSize, smMinimize, smMaximize, smClose, smSwitch},
         {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE}},
        {false, false, {smMinimize, smSwitch}, {SC_MINIMIZE, 0, SC_TASKLIST}},
        {false, false, {smClose}, {SC_CLOSE}},
        {true, true, {smMinimize, smClose}, {SC_MINIMIZE, 0, SC_CLOSE}},
        {true, true, {smClose}, {SC_CLOSE}},
        {true, true, {smRestore}, {SC_RESTORE}},
        {false, true, {smMove, smClose}, {SC_MOVE, 0, SC_CLOSE}},
        {false, true, {smClose}, {SC_CLOSE}},
        {false, true, {smSwitch}, {0, SC_TASKLIST}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.newStyle) + std::to_string(c.application) + " " +
                     std::to_string(c.keep.Bits()));
        NewStyleControls = c.newStyle;
        const HWND wnd = c.application ? Application->Handle() : form->Handle();
        GetSystemMenu(wnd, TRUE);
        if (c.application)
            LuxCheckApplicationSysMenu(c.keep);
        else
            LuxCheckFormSysMenu(form.get(), c.keep);
        EXPECT_EQ(MenuEntries(GetSystemMenu(wnd, FALSE)), c.left);
        GetSystemMenu(wnd, TRUE);
    }
    NewStyleControls = true;
    LuxCheckSystemMenu({}, 0, false);
}

TEST(Luxutils, WindowsArePlacedInsideTheTargetAndKeptOnTheScreen) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    const TRect r(100, 50, 500, 450);
    const struct {
        TLuxDlgPosition position;
        int x, y;
    } cases[] = {
        {bpCustom, 100, 50},       {bpTopLeft, 100, 50},     {bpTopCenter, 200, 50},
        {bpTopRight, 300, 50},     {bpCenterLeft, 100, 200}, {bpCenter, 200, 200},
        {bpCenterRight, 300, 200}, {bpBottomLeft, 100, 350}, {bpBottomCenter, 200, 350},
        {bpBottomRight, 300, 350},
    };
    for (const auto& c : cases) {
        LuxPositionWindow(form.Handle(), r, c.position, false);
        EXPECT_EQ(form.BoundsRect(), Bounds(c.x, c.y, 200, 100)) << c.position;
    }
    // Past the screen's edges: back inside the target's right and bottom, never below 0. (The
    // screen is the GUI's, which runs now that the form has its window.)
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    LuxPositionWindow(form.Handle(), TRect(sw - 50, sh - 20, sw + 100, sh + 50), bpTopLeft, false);
    EXPECT_EQ(form.BoundsRect(), Bounds(sw - 100, sh - 50, 200, 100));
    LuxPositionWindow(form.Handle(), TRect(-300, -300, 50, 50), bpTopLeft, false);
    EXPECT_EQ(form.Left(), 0);
    EXPECT_EQ(form.Top(), 0);

    TForm parent(nullptr);
    parent.SetBounds(100, 100, 400, 300);
    LuxCenterChildWindow(parent.Handle(), form.Handle(), false);
    EXPECT_EQ(form.BoundsRect(), Bounds(200, 200, 200, 100));
    parent.SetBounds(sw - 100, sh - 50, 400, 300);
    LuxCenterChildWindow(parent.Handle(), form.Handle(), false);
    EXPECT_EQ(form.BoundsRect(), Bounds(sw - 200, sh - 100, 200, 100));

    parent.SetBounds(100, 100, 400, 300);
    EXPECT_EQ(LuxCenterChild(&parent, &form, false), 0);
    EXPECT_EQ(form.BoundsRect(), Bounds(200, 200, 200, 100));
    EXPECT_EQ(form.Position(), poDefault);
    EXPECT_EQ(LuxCenterChild(nullptr, &form, false), 0);

    EXPECT_EQ(LuxDlgGetTargetRect(brScreen), TRect(0, 0, Screen->Width(), Screen->Height()));
    RECT area{};
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(LuxDlgGetTargetRect(brScreenWorkArea), TRect(area));
    const TRect main = LuxDlgGetTargetRect(brMainForm);
    if (Application->MainForm())
        EXPECT_EQ(main, Application->MainForm()->BoundsRect());
    else
        EXPECT_EQ(main, TRect(0, 0, Screen->Width(), Screen->Height()));
}

namespace {

class TModalProbe : public TForm {
public:
    explicit TModalProbe(TComponent* owner) : TForm(owner) {
        SetName("Probe");
        ++Alive;
    }
    ~TModalProbe() override { --Alive; }
    static inline int Alive = 0;
};

} // namespace

TEST(Luxutils, ShowModalFreesTheFormOnEveryPath) {
    TSeamRecorder seam;
    seam.AnswerModal(mrOk);
    EXPECT_EQ(LuxShowModal<TModalProbe>(nullptr), mrOk);
    EXPECT_EQ(TModalProbe::Alive, 0);
    ASSERT_EQ(seam.Of(TSeamRecorder::kShowModal).size(), 1u);
    EXPECT_EQ(seam.Entries[0].FormName, "Probe");

    seam.OnShowModal = [](TCustomForm*) { throw EInvalidOperation("gone wrong"); };
    EXPECT_THROW(LuxShowModal<TModalProbe>(nullptr), EInvalidOperation);
    EXPECT_EQ(TModalProbe::Alive, 0);
}

TEST(Luxutils, ExplodeFramesGrowFromTheStartToTheWindow) {
    const TRect window(100, 50, 300, 150);
    const std::vector<TRect> frames = LuxExplodeFrames(window, 0, 0, 4);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], Bounds(25, 12, 50, 25));
    EXPECT_EQ(frames[1], Bounds(50, 25, 100, 50));
    EXPECT_EQ(frames[3], window);
    EXPECT_EQ(LuxExplodeFrames(window, 0, 0, 3).size(), 40u) << "3 steps or fewer become 40";
    EXPECT_EQ(LuxExplodeFrames(window, 0, 0, 3).back(), window);

    // From below the middle between start and form, growing from the minimum size.
    const std::vector<TRect> two = LuxExplodeFrames2(window, 0, 0, 4, 20, 10, true);
    ASSERT_EQ(two.size(), 8u);
    EXPECT_EQ(two[0], Bounds(12, 37, 20, 10));
    EXPECT_EQ(two[3], Bounds(50, 150, 20, 10));
    EXPECT_EQ(two[4], Bounds(62, 125, 65, 32));
    EXPECT_EQ(two[7], window);
    EXPECT_EQ(LuxExplodeFrames2(window, 0, 0, 4, 20, 10, false).front(), two[4]);
}

TEST(Luxutils, ExplodeLeavesTheWindowAsItWasAndWaitsByTheClock) {
    TForm form(nullptr);
    form.SetColor(clGray);
    form.SetBounds(40, 30, 160, 120);
    form.Show();
    auto pixels = [&form] {
        std::vector<COLORREF> all;
        HDC dc = GetDC(form.Handle());
        for (int y = 0; y < form.ClientHeight(); y += 3)
            for (int x = 0; x < form.ClientWidth(); x += 3) all.push_back(GetPixel(dc, x, y));
        ReleaseDC(form.Handle(), dc);
        return all;
    };
    form.Update();
    const std::vector<COLORREF> before = pixels();
    const std::uint64_t t0 = MonotonicMs();
    LuxExplodeFormExt(&form, 60, 40, 10, 2);
    EXPECT_GE(MonotonicMs() - t0, 2u * 10 * 2) << "every step of both runs waits";
    EXPECT_EQ(pixels(), before);
    LuxExplodeFormExt2(&form, 60, 40, 5, 20, 10, 1, true);
    EXPECT_EQ(pixels(), before);
    LuxExplodeFormExt(nullptr, 0, 0, 10, 1);
}

TEST(Luxutils, CustomColourListsGoThroughIniFilesAndTheRegistry) {
    TempHome home;
    TStringList colours;
    colours.Add("ColorA=FFFFFF");
    colours.Add("no value here");
    colours.Add("ColorB=00FF00");
    const std::string file = home.Path() + "/colours.ini";
    LuxSaveCustomColorToIniFile(file, "Custom Colors", &colours);
    TStringList back;
    back.Add("stale");
    LuxLoadCustomColorFromIniFile(file, "Custom Colors", &back);
    EXPECT_EQ(Joined(back), "ColorA=FFFFFF|ColorB=00FF00");

    TRegistryIniFile reg("Software\\LuxTest");
    LuxSaveCustomColorList(&reg, "Colours", &colours);
    TStringList fromReg;
    LuxLoadCustomColorList(&reg, "Colours", &fromReg);
    EXPECT_EQ(Joined(fromReg), "ColorA=FFFFFF|ColorB=00FF00");

    LuxSaveIDECustomColor(&colours);
    TStringList ide;
    LuxLoadIDECustomColor(&ide);
    EXPECT_EQ(Joined(ide), "ColorA=FFFFFF|ColorB=00FF00");
}

// The gradient routines are this unit's: a program that includes only it computes colours and
// palettes and paints gradients.
TEST(Luxutils, GradientRoutinesAreThisUnits) {
    EXPECT_EQ(LuxGradientGetColor(clBlack, clWhite, 1, 2), static_cast<TColor>(RGB(127, 127, 127)));
    TList list;
    LuxGradientCreateColorList(clBlack, clWhite, 3, &list, true);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(LuxListColor(list, 1), RGB(128, 128, 128));
    HPALETTE palette = LuxGradientCreatePalette(&list);
    EXPECT_NE(palette, nullptr);
    DeleteObject(palette);

    const TColor grey = static_cast<TColor>(RGB(128, 128, 128));
    const TColor stops[] = {clBlack, clWhite};
    const struct {
        const char* what;
        std::function<void(TCanvas*, const TRect&)> paint;
        TColor left, middle, right;
    } cases[] = {
        {"from a colour list",
         [&](TCanvas* c, const TRect& r) { LuxGradientPaintExt(c, r, gstHorizontal, &list, nullptr, 0, 0); },
         clBlack, grey, clWhite},
        {"between two colours",
         [](TCanvas* c, const TRect& r) { LuxGradientPaint(c, r, clBlack, clWhite, 3, gstHorizontal, 0, 0); },
         clBlack, grey, clWhite},
        {"through colour stops, each segment without its first colour",
         [&](TCanvas* c, const TRect& r) { LuxSuperGradientPaint(c, r, stops, 2, 3, gstHorizontal, 0, 0); },
         grey, grey, clWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto b = FilledBitmap(3, 1, clRed);
        c.paint(b->Canvas(), TRect(0, 0, 3, 1));
        EXPECT_EQ(PixelAt(*b, 0, 0), c.left);
        EXPECT_EQ(PixelAt(*b, 1, 0), c.middle);
        EXPECT_EQ(PixelAt(*b, 2, 0), c.right);
    }
}
