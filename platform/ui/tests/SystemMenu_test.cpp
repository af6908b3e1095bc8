#include "platform/ui/SystemMenu.h"

#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<UINT> Entries(HMENU menu) {
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

} // namespace

TEST(SystemMenu, StandardEntriesForFormsAndTheApplicationInBothStyles) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    const struct {
        bool newStyle, application;
        std::vector<UINT> entries;
    } cases[] = {
        {true, false, {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE}},
        {false, false, {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE, 0, SC_TASKLIST}},
        {true, true, {SC_RESTORE, SC_MINIMIZE, 0, SC_CLOSE}},
        {false, true, {SC_RESTORE, SC_MOVE, SC_MINIMIZE, 0, SC_CLOSE, 0, SC_TASKLIST}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.newStyle) + std::to_string(c.application));
        NewStyleControls = c.newStyle;
        const HWND wnd = c.application ? Application->Handle() : form->Handle();
        GetSystemMenu(wnd, TRUE);
        const HMENU menu = GetSystemMenu(wnd, FALSE);
        ASSERT_NE(menu, 0u);
        EXPECT_EQ(GetSystemMenu(wnd, FALSE), menu) << "the same menu each time";
        EXPECT_EQ(Entries(menu), c.entries);
        GetSystemMenu(wnd, TRUE);
    }
    NewStyleControls = true;
    EXPECT_EQ(GetSystemMenu(0, FALSE), 0u);
    EXPECT_EQ(GetMenuItemCount(12345), -1);
}

TEST(SystemMenu, EntriesAreDeletedByPositionOrCommandAndComeBackOnRevert) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    const HMENU menu = GetSystemMenu(form->Handle(), FALSE);
    // Keeping only Close: positions 4 down to 0 go, then the separator before Close.
    for (UINT p : {4u, 3u, 2u, 1u, 0u}) EXPECT_TRUE(DeleteMenu(menu, p, MF_BYPOSITION));
    EXPECT_TRUE(DeleteMenu(menu, 0, MF_BYPOSITION));
    EXPECT_EQ(Entries(menu), std::vector<UINT>{SC_CLOSE});
    EXPECT_FALSE(DeleteMenu(menu, 1, MF_BYPOSITION));
    EXPECT_FALSE(DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND));
    EXPECT_TRUE(DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(-1));
    EXPECT_EQ(GetSystemMenu(form->Handle(), TRUE), 0u);
    EXPECT_EQ(GetMenuItemCount(GetSystemMenu(form->Handle(), FALSE)), 7);
}
