// Unit Mystd of the indicator library: the tab list box, a list box whose tab stops are given in
// pixels (directly or taken from a header bar), whose horizontal scroll bar reaches its widest
// line, and which reports the previous selection with each change and every scroll action.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/HeaderControls.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/PersistentStrings.h"

#include <cstdint>
#include <string>
#include <vector>

// The list box refused the tab stops: "TabError".
class EvTabListboxError : public Exception {
public:
    using Exception::Exception;
};

enum ScrollDirection { vScrollHor, vScrollVer };

using TChangeEvent = TMethod<void(TObject* Sender, int PrevItemIndex)>;
using TScrollEvent =
    TMethod<void(TObject* Sender, std::int16_t Position, std::int16_t ScrollCode, ScrollDirection ScrollDir)>;

class TvTabListbox : public TListBox {
public:
    explicit TvTabListbox(TComponent* AOwner);

    // The mouse entering the list focuses it.
    bool AutoFocus = false;
    // Deleting a line measures the remaining lines for the widest anew.
    bool SizeAfterDel = true;

    // Tab stops in pixels from the start of the text, in increasing order. On a list without lines
    // nothing happens. Any number of positions is taken; none at all restores the list box's own
    // stops, every 8 average character widths. EvTabListboxError when the list box refuses them;
    // the stops in force stay.
    void SetTabStops(const std::vector<int>& Positions);
    // A stop at the right edge of every section.
    void SetFromHeader(THeader* Header);
    void SetfromHeaderControl(THeaderControl* HeaderControl);
    // Measures every line for the widest.
    void LongestString();

    // The lines as the published Items.
    TPersistentStrings* PublishedItems() { return &publishedItems_; }

    // The tab stops in force, in pixels, and the widest line measured with them.
    const std::vector<int>& TabPositions() const { return tabs_; }
    int WidestLine() const { return widest_; }

    void Click() override;
    void Dispatch(TMessage& Message) override;

    TChangeEvent OnChange;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TScrollEvent OnScroll;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Loaded() override;

private:
    // A line's width with the tab stops in force, plus the width of a "Z".
    int LineWidth(const std::string& Line);
    // A line wider than the widest so far becomes the widest; the horizontal extent grows to it.
    void Measure(const std::string& Line);
    void SelectionChanged();

    std::vector<int> tabs_;
    int widest_ = 0;
    int prevItemIndex_ = -1;
    TBitmap measure_;
    TPersistentStrings publishedItems_;
};
