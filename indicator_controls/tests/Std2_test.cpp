// The steel brush pattern and the unit's counted start-up and shut-down.
#include "indicator_controls/Std2.h"

#include "platform/gdi/Draw.h"

#include <gtest/gtest.h>

namespace {

TEST(Std2, SteelIsSilverWithWhiteDotsAtOddCoordinates) {
    ASSERT_NE(TSteel, nullptr);
    ASSERT_EQ(TSteel->Width(), 8);
    ASSERT_EQ(TSteel->Height(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(GetPixel(TSteel->Canvas()->Handle(), x, y),
                      (x % 2 == 1 && y % 2 == 1) ? 0xFFFFFFu : 0xC0C0C0u)
                << x << ", " << y;
    EXPECT_EQ(vcCalcOffSetTime, 1.0L / 1440);
}

TEST(Std2, OnlyTheBalancingShutDownFreesTheSteel) {
    TBitmap* const steel = TSteel;
    InitializeStd2();
    EXPECT_EQ(TSteel, steel);
    FinalizeStd2();
    EXPECT_EQ(TSteel, steel);
    FinalizeStd2(); // balances the program's own start-up
    EXPECT_EQ(TSteel, nullptr);
    FinalizeStd2(); // one too many does nothing, and the next start-up only counts
    InitializeStd2();
    EXPECT_EQ(TSteel, nullptr);
    InitializeStd2();
    ASSERT_NE(TSteel, nullptr);
    EXPECT_EQ(GetPixel(TSteel->Canvas()->Handle(), 1, 1), 0xFFFFFFu);
}

} // namespace
