// handles.h: the tables behind every handle the layer gives out.
//
// A handle is an opaque pointer-sized value that encodes a slot index and the
// slot's generation, so that a stale or made-up handle is recognised and
// refused instead of reaching freed memory. Slots are reused through a free
// list threaded through the free slots themselves: creating and deleting an
// object costs no search and no allocation once the table has grown.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace ws {

template <typename T> class HandleTable {
  public:
    // Free slots that keep their last object, for objects of one sort that
    // come and go all the time: a list per sort, so that making one is taking
    // a slot that already holds an object of that sort.
    static constexpr int CACHED_LISTS = 2;

    HandleTable() = default;
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;
    ~HandleTable() { clear(); }

    // Stores the object and returns its handle value (never 0).
    uintptr_t add(std::unique_ptr<T> object) { return adopt(object.release()); }

    // Like add(), for an object the table takes over from a plain pointer
    // (it must not be null).
    uintptr_t adopt(T* object) {
        uint32_t index = free_.head;
        if (index != NO_SLOT) [[likely]] {
            free_.head = slots_[index].next_free;
            --free_.count;
        } else {
            index = grow();
        }
        slots_[index].object = object;
        return revive(index);
    }

    // The object behind a handle, or nullptr for a handle that is not live.
    // A live slot holds its handle whole, so one comparison checks the tag,
    // the index and the generation at once; a free slot holds 0, which no
    // handle that passes the bounds check can equal.
    T* get(uintptr_t handle) const {
        uint32_t index;
        return find(handle, index);
    }

    // get(), also giving the slot's index for release_at() and keep().
    [[gnu::always_inline]] T* find(uintptr_t handle, uint32_t& index) const {
        uintptr_t i = (handle >> INDEX_SHIFT) - 1; // index 0 wraps round: out of range
        if (i >= size_) return nullptr;
        const Slot& s = slots_.data()[i];
        if (s.handle != handle) return nullptr;
        index = static_cast<uint32_t>(i);
        return s.object;
    }

    // get() for a table whose callers mostly ask for the same handle again
    // and again (the DC a whole frame is drawn through): the last answer is
    // remembered until that slot stops being live.
    [[gnu::always_inline]] T* get_remembered(uintptr_t handle) const {
        if (handle == last_.handle) return last_.object;
        T* o = get(handle);
        if (o) last_ = {handle, o};
        return o;
    }

    // Frees the object; its handle and any copy of it stop being live.
    bool remove(uintptr_t handle) {
        uint32_t index;
        T* object = find(handle, index);
        if (!object) return false;
        // The slot is dead before the object goes, and free only after: a
        // destructor that looks handles up or makes objects sees neither.
        Slot& s = slots_[index];
        s.handle = 0;
        s.object = nullptr;
        last_ = {};
        delete object;
        link(index, free_);
        return true;
    }

    // Like remove(), but hands the object back instead of freeing it
    // (nullptr for a handle that is not live).
    std::unique_ptr<T> take(uintptr_t handle) {
        uint32_t index;
        if (!find(handle, index)) return nullptr;
        return std::unique_ptr<T>(release_at(index));
    }

    // Ends the live slot `index` (as found by find()) and hands its object
    // over to the caller.
    T* release_at(uint32_t index) {
        Slot& s = slots_[index];
        T* object = s.object;
        s.handle = 0;
        s.object = nullptr;
        last_ = {};
        link(index, free_);
        return object;
    }

    // Ends the live slot `index` but leaves its object in it, on cached list
    // `list`, for take_cached(). The caller keeps a list to the size it wants
    // with cached_count().
    void keep(uint32_t index, int list) {
        slots_[index].handle = 0;
        last_ = {};
        link(index, cached_[list]);
    }
    uint32_t cached_count(int list) const { return cached_[list].count; }

    // A free slot from cached list `list`, or false when the list is empty.
    // Its object (cached_object()) stays the table's: the caller makes it as
    // new and gives the slot its handle with revive().
    [[gnu::always_inline]] bool take_cached(int list, uint32_t& index) {
        FreeList& l = cached_[list];
        index = l.head;
        if (index == NO_SLOT) return false;
        l.head = slots_[index].next_free;
        --l.count;
        return true;
    }
    T* cached_object(uint32_t index) const { return slots_[index].object; }
    // The handle of a slot that holds its object again.
    [[gnu::always_inline]] uintptr_t revive(uint32_t index) {
        Slot& s = slots_[index];
        s.handle = encode(index, s.generation);
        return s.handle;
    }

    // Calls f(handle, object) for every live object, in slot order.
    template <typename F> void for_each(F&& f) const {
        for (uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].handle) f(slots_[i].handle, *slots_[i].object);
    }

    size_t live_count() const {
        size_t free = free_.count;
        for (const FreeList& l : cached_)
            free += l.count;
        return slots_.size() - free;
    }

    // Frees every object, cached ones too.
    void clear() {
        std::vector<Slot> gone;
        gone.swap(slots_);
        size_ = 0;
        free_ = {};
        for (FreeList& l : cached_)
            l = {};
        last_ = {};
        for (Slot& s : gone)
            delete s.object;
    }

  private:
    static constexpr uint32_t GENERATION_BITS = 12;
    static constexpr uint32_t GENERATION_MASK = (1u << GENERATION_BITS) - 1;
    static constexpr uint32_t INDEX_SHIFT = GENERATION_BITS + 3;
    static constexpr uint32_t NO_SLOT = UINT32_MAX;
    // A tag in the low bits keeps handles of different tables apart in a
    // debugger and makes a small integer never look like a handle.
    static constexpr uintptr_t TAG = 0x4;

    struct Slot {
        uintptr_t handle = 0; // while live; 0 while free
        T* object = nullptr;  // owned: the live object, or a free slot's cached one
        uint32_t generation = 1;
        uint32_t next_free = NO_SLOT;
    };
    struct FreeList {
        uint32_t head = NO_SLOT;
        uint32_t count = 0;
    };
    struct Remembered {
        uintptr_t handle = 0; // 0: nothing (no handle is 0)
        T* object = nullptr;
    };

    static uintptr_t encode(uint32_t index, uint32_t generation) {
        return ((static_cast<uintptr_t>(index) + 1) << INDEX_SHIFT) |
               (static_cast<uintptr_t>(generation) << 3) | TAG;
    }

    // A new slot at the end (out of line: the table seldom grows).
    [[gnu::noinline]] uint32_t grow() {
        uint32_t index = static_cast<uint32_t>(slots_.size());
        slots_.push_back({});
        size_ = slots_.size();
        return index;
    }

    // A freed slot takes the next generation and goes to the front of a
    // free list (the most recently freed is reused first).
    void link(uint32_t index, FreeList& list) {
        Slot& s = slots_[index];
        s.generation = (s.generation + 1) & GENERATION_MASK;
        if (s.generation == 0) s.generation = 1;
        s.next_free = list.head;
        list.head = index;
        ++list.count;
    }

    std::vector<Slot> slots_;
    size_t size_ = 0; // slots_.size(), cached for the lookups
    FreeList free_;   // free slots holding no object
    FreeList cached_[CACHED_LISTS];
    mutable Remembered last_;
};

template <typename H> inline uintptr_t handle_value(H h) {
    return reinterpret_cast<uintptr_t>(h);
}
template <typename H> inline H make_handle(uintptr_t v) {
    return reinterpret_cast<H>(v);
}

} // namespace ws
