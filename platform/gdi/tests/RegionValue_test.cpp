// Regions held by value: copies are independent of the original and of each other.
#include "platform/gdi/RegionValue.h"

#include "platform/gdi/DeviceContext.h"

#include <gtest/gtest.h>

#include <utility>

TEST(RegionValue, CopiesOwnTheirPixels) {
    HRGN theirs = CreateRectRgn(0, 0, 10, 10);
    RegionValue copy = RegionValue::CopyOf(theirs);
    // The owner may change or delete its region: the copy keeps what it was given.
    SetRectRgn(theirs, 50, 50, 60, 60);
    DeleteObject(theirs);
    EXPECT_TRUE(copy.Contains(5, 5));
    EXPECT_FALSE(copy.Contains(55, 55));

    RegionValue second = copy;
    EXPECT_TRUE(second == copy);
    EXPECT_NE(second.Handle(), copy.Handle());
    HRGN handed = second.Duplicate();
    second = RegionValue::Rect(0, 0, 1, 1);
    EXPECT_FALSE(second == copy);
    EXPECT_TRUE(PtInRegion(handed, 9, 9));
    DeleteObject(handed);

    RegionValue moved = std::move(copy);
    EXPECT_TRUE(moved.Contains(9, 9));
    EXPECT_FALSE(copy.HasRegion());
    EXPECT_TRUE(RegionValue() == RegionValue());
    EXPECT_FALSE(RegionValue() == moved);
    EXPECT_FALSE(RegionValue::CopyOf(nullptr).HasRegion());
}
