// memory.cpp: movable memory blocks (GlobalAlloc and friends).
//
// A movable block is reached only through its handle; GlobalLock gives its
// address until the matching GlobalUnlock. Fixed blocks are their own
// address, as on the real system. Stale handles are refused, not followed.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

#include "handles.h"
#include "winsys.h"

namespace ws {
namespace {

struct Block {
    std::vector<unsigned char> bytes;
    int locks = 0;
};

HandleTable<Block> blocks;
std::unordered_set<void*> fixed_blocks;

} // namespace

size_t memory_live_blocks() {
    return blocks.live_count() + fixed_blocks.size();
}

} // namespace ws

using namespace ws;

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    // Zero-length blocks still get one byte, so every block has an address.
    size_t size = bytes == 0 ? 1 : bytes;
    if (!(flags & GMEM_MOVEABLE)) {
        void* p = (flags & GMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
        if (p) fixed_blocks.insert(p);
        return p;
    }
    auto b = std::make_unique<Block>();
    b->bytes.assign(size, 0);
    return make_handle<HGLOBAL>(blocks.add(std::move(b)));
}

LPVOID WINAPI GlobalLock(HGLOBAL h) {
    if (fixed_blocks.count(h)) return h;
    Block* b = blocks.get(handle_value(h));
    if (!b) return nullptr;
    ++b->locks;
    return b->bytes.data();
}

BOOL WINAPI GlobalUnlock(HGLOBAL h) {
    if (fixed_blocks.count(h)) return FALSE;
    Block* b = blocks.get(handle_value(h));
    if (!b || b->locks == 0) return FALSE;
    --b->locks;
    return b->locks > 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL h) {
    if (fixed_blocks.erase(h)) {
        std::free(h);
        return nullptr;
    }
    // A block is freed even while locked, as the real call does; its handle
    // is refused from then on.
    return blocks.remove(handle_value(h)) ? nullptr : h;
}

} // extern "C"
