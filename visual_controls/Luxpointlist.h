// The point list of polygon regions and shapes: a list whose slots each hold one point, with a
// change event that an update bracket holds back.
#pragma once

#include "platform/rtl/Lists.h"
#include "platform/ui/Classes.h"
#include "platform/ui/Graphics.h"

// An object too, so that it can be a published property.
class TLuxPointList : public TObject, public TList {
public:
    // The point at Index; (0, 0) past the end.
    TPoint GetPoint(int Index) const;
    // Ignored past the end.
    void PutPoint(int Index, const TPoint& P);
    // Stores through PutPoint and then notifies once more itself.
    void AddPoint(const TPoint& P);
    void DeletePoint(int Index);
    // Clears Dest, then adds every point.
    void Clone(TLuxPointList* Dest) const;
    void BeginUpdate() { ++update_; }
    void EndUpdate(bool Notify);
    // Fires OnChange unless an update is in progress.
    void GetChange(TObject* Sender);
    int UpdateCount() const { return update_; }

    TNotifyEvent OnChange;

private:
    int update_ = 0;
};
