#include "platform/win/Resources.h"

#include "platform/rtl/Strings.h"

#include <mutex>
#include <vector>

namespace {

struct Registry {
    std::mutex lock;
    std::vector<const TResourceItem*> items;
};

// Built on first use: tables register from static initialisers in any order.
Registry& Resources() {
    static Registry registry;
    return registry;
}

} // namespace

TResourceTable::TResourceTable(const TResourceItem* Items, int Count) {
    Registry& r = Resources();
    std::lock_guard guard(r.lock);
    for (int i = 0; i < Count; ++i) r.items.push_back(&Items[i]);
}

HRSRC FindResource(HMODULE, const std::string& Name, UINT Type) {
    Registry& r = Resources();
    std::lock_guard guard(r.lock);
    for (const TResourceItem* item : r.items)
        if (item->Type == Type && SameText(item->Name, Name)) return item;
    return nullptr;
}

HRSRC FindResource(HMODULE Module, WORD Ident, UINT Type) {
    return FindResource(Module, std::to_string(Ident), Type);
}

HGLOBAL LoadResource(HMODULE, HRSRC ResInfo) { return ResInfo ? ResInfo->Data : nullptr; }

const void* LockResource(HGLOBAL ResData) { return ResData; }

DWORD SizeofResource(HMODULE, HRSRC ResInfo) { return ResInfo ? ResInfo->Size : 0; }
