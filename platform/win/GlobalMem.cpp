#include "platform/win/GlobalMem.h"

#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace {

struct Blocks {
    std::mutex lock;
    std::unordered_map<HGLOBAL, std::vector<unsigned char>*> live;
};

Blocks& AllBlocks() {
    static auto* blocks = new Blocks();
    return *blocks;
}

std::vector<unsigned char>* Find(Blocks& b, HGLOBAL mem) {
    auto it = b.live.find(mem);
    return it == b.live.end() ? nullptr : it->second;
}

} // namespace

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
    auto* block = new (std::nothrow) std::vector<unsigned char>();
    if (!block) return nullptr;
    try {
        // A block of 0 bytes still has an address.
        block->assign(bytes > 0 ? bytes : 1, 0);
    } catch (const std::bad_alloc&) {
        delete block;
        return nullptr;
    }
    block->resize(bytes);
    Blocks& b = AllBlocks();
    std::lock_guard guard(b.lock);
    b.live.emplace(block, block);
    return block;
}

void* GlobalLock(HGLOBAL mem) {
    Blocks& b = AllBlocks();
    std::lock_guard guard(b.lock);
    auto* block = Find(b, mem);
    return block ? block->data() : nullptr;
}

BOOL GlobalUnlock(HGLOBAL) {
    return FALSE; // no lock count left, as for a block that is not locked twice
}

SIZE_T GlobalSize(HGLOBAL mem) {
    Blocks& b = AllBlocks();
    std::lock_guard guard(b.lock);
    auto* block = Find(b, mem);
    return block ? block->size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    Blocks& b = AllBlocks();
    std::lock_guard guard(b.lock);
    auto* block = Find(b, mem);
    if (!block) return mem;
    b.live.erase(mem);
    delete block;
    return nullptr;
}
