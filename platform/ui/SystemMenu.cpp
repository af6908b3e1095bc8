#include "platform/ui/SystemMenu.h"

#include "platform/ui/Forms.h"
#include "platform/ui/WindowQueries.h"

#include <map>
#include <vector>

namespace {

constexpr HMENU kMenuBase = HMENU{1} << 32;

std::map<HWND, std::vector<UINT>>& Menus() {
    static auto* menus = new std::map<HWND, std::vector<UINT>>;
    return *menus;
}

std::vector<UINT> StandardEntries(bool application) {
    std::vector<UINT> entries;
    if (application) {
        entries = {SC_RESTORE, SC_MINIMIZE, 0, SC_CLOSE};
        if (!NewStyleControls) entries = {SC_RESTORE, SC_MOVE, SC_MINIMIZE, 0, SC_CLOSE};
    } else {
        entries = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE};
    }
    if (!NewStyleControls) {
        entries.push_back(0);
        entries.push_back(SC_TASKLIST);
    }
    return entries;
}

std::vector<UINT>* MenuOf(HMENU menu) {
    if (menu <= kMenuBase || menu > kMenuBase + 0xFFFFFFFFull) return nullptr;
    auto it = Menus().find(static_cast<HWND>(menu - kMenuBase));
    return it == Menus().end() ? nullptr : &it->second;
}

} // namespace

HMENU GetSystemMenu(HWND wnd, BOOL revert) {
    const bool application =
        wnd != 0 && Application && Application->HandleAllocated() && wnd == Application->Handle();
    if (!application && !dynamic_cast<TCustomForm*>(FindControl(wnd))) return 0;
    auto it = Menus().find(wnd);
    if (revert) {
        if (it != Menus().end()) Menus().erase(it);
        return 0;
    }
    if (it == Menus().end()) Menus()[wnd] = StandardEntries(application);
    return kMenuBase + wnd;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    std::vector<UINT>* entries = MenuOf(menu);
    if (!entries) return FALSE;
    if (flags & MF_BYPOSITION) {
        if (position >= entries->size()) return FALSE;
        entries->erase(entries->begin() + static_cast<std::ptrdiff_t>(position));
        return TRUE;
    }
    for (auto e = entries->begin(); e != entries->end(); ++e)
        if (*e != 0 && *e == position) {
            entries->erase(e);
            return TRUE;
        }
    return FALSE;
}

int GetMenuItemCount(HMENU menu) {
    const std::vector<UINT>* entries = MenuOf(menu);
    return entries ? static_cast<int>(entries->size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    const std::vector<UINT>* entries = MenuOf(menu);
    if (!entries || position < 0 || position >= static_cast<int>(entries->size()))
        return static_cast<UINT>(-1);
    return (*entries)[static_cast<std::size_t>(position)];
}
