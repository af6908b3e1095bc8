#include "platform/ui/Graphics.h"

#include <gtest/gtest.h>

TEST(ColorToString, NamesOrHexAndBack) {
    const struct {
        TColor color;
        const char* text;
    } cases[] = {
        {clRed, "clRed"},           {clSilver, "clSilver"},     {clBtnFace, "clBtnFace"}, {clNone, "clNone"},
        {clDefault, "clDefault"},   {clInfoBk, "clInfoBk"},     {0x00123456, "$00123456"}, {-1, "$FFFFFFFF"},
        {0x7FFFFFFF, "$7FFFFFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ColorToString(c.color), c.text);
        EXPECT_EQ(StringToColor(c.text), c.color) << c.text;
    }
    EXPECT_EQ(StringToColor("CLLTGRAY"), clSilver);
    EXPECT_EQ(StringToColor("clDkGray"), clGray);
    EXPECT_EQ(StringToColor("255"), 255);
    EXPECT_THROW(StringToColor("clNoSuchColour"), EConvertError);
}
