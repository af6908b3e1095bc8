#include "visual_controls/Luxpointlist.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct Counter {
    int n = 0;
    void Changed(TObject*) { ++n; }
};

std::vector<TPoint> All(const TLuxPointList& l) {
    std::vector<TPoint> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l.GetPoint(i));
    return v;
}

} // namespace

// Each slot keeps both coordinates whole, negative ones and those beyond 16 bits included.
TEST(LuxPointList, KeepsWholeCoordinates) {
    const std::vector<TPoint> points{
        {-5, -1}, {10, 20}, {70000, -40000}, {INT_MIN, INT_MAX}, {32767, -32768}};
    TLuxPointList l;
    for (const TPoint& p : points) l.AddPoint(p);
    EXPECT_EQ(All(l), points);
    l.PutPoint(2, TPoint(-1, 65536));
    EXPECT_EQ(l.GetPoint(2), TPoint(-1, 65536));
    // Past the end: nothing read, nothing stored.
    EXPECT_EQ(l.GetPoint(5), TPoint(0, 0));
    EXPECT_EQ(l.GetPoint(-1), TPoint(0, 0));
    l.PutPoint(5, TPoint(1, 1));
    EXPECT_EQ(l.Count(), 5);
}

TEST(LuxPointList, ChangeNotifications) {
    Counter counter;
    TLuxPointList l;
    l.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    l.AddPoint(TPoint(1, 2)); // stored through PutPoint, then its own notification
    EXPECT_EQ(counter.n, 2);
    l.PutPoint(0, TPoint(3, 4));
    EXPECT_EQ(counter.n, 3);
    l.PutPoint(7, TPoint(3, 4)); // ignored, silent
    EXPECT_EQ(counter.n, 3);
    l.AddPoint(TPoint(5, 6));
    l.DeletePoint(0);
    EXPECT_EQ(counter.n, 6);
    EXPECT_EQ(All(l), (std::vector<TPoint>{{5, 6}}));
    EXPECT_THROW(l.DeletePoint(3), EListError);

    // Held back inside an update, one notification at its end when asked.
    l.BeginUpdate();
    l.BeginUpdate();
    l.AddPoint(TPoint(7, 8));
    l.EndUpdate(true);
    EXPECT_EQ(counter.n, 6);
    l.EndUpdate(true);
    EXPECT_EQ(counter.n, 7);
    l.EndUpdate(false); // no update open: nothing to lower
    EXPECT_EQ(l.UpdateCount(), 0);
    l.Clear();
    EXPECT_EQ(counter.n, 7);

    // Clone clears the destination and adds every point, two notifications each.
    TLuxPointList src, dest;
    src.AddPoint(TPoint(1, 1));
    src.AddPoint(TPoint(-2, 70000));
    Counter destCounter;
    dest.AddPoint(TPoint(9, 9));
    dest.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&destCounter);
    src.Clone(&dest);
    EXPECT_EQ(destCounter.n, 4);
    EXPECT_EQ(All(dest), All(src));
}
