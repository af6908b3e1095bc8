#include "support/GdiTest.h"

#include <gtest/gtest.h>

namespace {

TEST(GetSysColor, TheClassicGreys) {
    const struct {
        int index;
        COLORREF color;
    } cases[] = {
        {COLOR_BTNFACE, RGB(192, 192, 192)},
        {COLOR_BTNSHADOW, RGB(128, 128, 128)},
        {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
        {COLOR_3DDKSHADOW, RGB(0, 0, 0)},
        {COLOR_3DLIGHT, RGB(192, 192, 192)},
        {COLOR_WINDOW, RGB(255, 255, 255)},
        {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {COLOR_GRAYTEXT, RGB(128, 128, 128)},
        {COLOR_HIGHLIGHT, RGB(0, 0, 128)},
        {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
        {COLOR_INFOBK, RGB(255, 255, 225)},
        {COLOR_BACKGROUND, RGB(0, 128, 128)},
        {-1, 0},
        {31, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(GetSysColor(c.index), c.color) << c.index;
}

TEST(GetSysColorBrush, StockBrushOfTheColour) {
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    LOGBRUSH lb;
    ASSERT_NE(face, nullptr);
    GetObject(face, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_TRUE(DeleteObject(face));
    EXPECT_EQ(GetObjectType(face), OBJ_BRUSH);
    EXPECT_EQ(GetSysColorBrush(40), nullptr);
}

TEST(GetSystemMetrics, FixedDisplay) {
    const struct {
        int index, value;
    } cases[] = {
        {SM_CXSCREEN, 1280}, {SM_CYSCREEN, 1024},   {SM_CXEDGE, 2},     {SM_CYEDGE, 2},  {SM_CXBORDER, 1},
        {SM_CYBORDER, 1},    {SM_CXVSCROLL, 16},    {SM_CYCAPTION, 19}, {SM_CXICON, 32}, {SM_CXSMICON, 16},
        {SM_CXFRAME, 4},     {SM_CMOUSEBUTTONS, 3}, {SM_SWAPBUTTON, 0}, {-5, 0},         {500, 0}};
    for (const auto& c : cases) EXPECT_EQ(GetSystemMetrics(c.index), c.value) << c.index;
}

} // namespace
