#include "visual_controls/Luxutils.h"

#include "platform/rtl/Lists.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"

#include <gtest/gtest.h>

#include <string>

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
