// handles.h: the tables behind every handle the layer gives out.
//
// A handle is an opaque pointer-sized value that encodes a slot index and the
// slot's generation, so that a stale or made-up handle is recognised and
// refused instead of reaching freed memory. Slots are reused through a free
// list: creating and deleting an object costs no search.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace ws {

template <typename T>
class HandleTable {
  public:
    // Stores the object and returns its handle value (never 0).
    uintptr_t add(std::unique_ptr<T> object) {
        uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            index = static_cast<uint32_t>(slots_.size());
            slots_.push_back({});
        }
        Slot& s = slots_[index];
        s.object = std::move(object);
        return encode(index, s.generation);
    }

    // The object behind a handle, or nullptr for a handle that is not live.
    T* get(uintptr_t handle) const {
        uint32_t index, generation;
        if (!decode(handle, index, generation)) return nullptr;
        const Slot& s = slots_[index];
        return s.generation == generation ? s.object.get() : nullptr;
    }

    // Frees the object; its handle and any copy of it stop being live.
    bool remove(uintptr_t handle) {
        uint32_t index, generation;
        if (!decode(handle, index, generation)) return false;
        Slot& s = slots_[index];
        if (s.generation != generation || !s.object) return false;
        s.object.reset();
        s.generation = (s.generation + 1) & kGenerationMask;
        if (s.generation == 0) s.generation = 1;
        free_.push_back(index);
        return true;
    }

    // Like remove(), but hands the object back instead of freeing it
    // (nullptr for a handle that is not live).
    std::unique_ptr<T> take(uintptr_t handle) {
        uint32_t index, generation;
        if (!decode(handle, index, generation)) return nullptr;
        Slot& s = slots_[index];
        if (s.generation != generation || !s.object) return nullptr;
        std::unique_ptr<T> object = std::move(s.object);
        s.generation = (s.generation + 1) & kGenerationMask;
        if (s.generation == 0) s.generation = 1;
        free_.push_back(index);
        return object;
    }

    // Calls f(handle, object) for every live object, in slot order.
    template <typename F>
    void for_each(F&& f) const {
        for (uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object) f(encode(i, slots_[i].generation), *slots_[i].object);
    }

    size_t live_count() const { return slots_.size() - free_.size(); }

    void clear() {
        slots_.clear();
        free_.clear();
    }

  private:
    static constexpr uint32_t kGenerationBits = 12;
    static constexpr uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
    // A tag in the low bits keeps handles of different tables apart in a
    // debugger and makes a small integer never look like a handle.
    static constexpr uintptr_t kTag = 0x4;

    struct Slot {
        std::unique_ptr<T> object;
        uint32_t generation = 1;
    };

    static uintptr_t encode(uint32_t index, uint32_t generation) {
        return ((static_cast<uintptr_t>(index) + 1) << (kGenerationBits + 3)) |
               (static_cast<uintptr_t>(generation) << 3) | kTag;
    }
    bool decode(uintptr_t handle, uint32_t& index, uint32_t& generation) const {
        if ((handle & 7) != kTag) return false;
        generation = static_cast<uint32_t>((handle >> 3) & kGenerationMask);
        uintptr_t i = handle >> (kGenerationBits + 3);
        if (i == 0 || i > slots_.size()) return false;
        index = static_cast<uint32_t>(i - 1);
        return true;
    }

    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

template <typename H>
inline uintptr_t handle_value(H h) {
    return reinterpret_cast<uintptr_t>(h);
}
template <typename H>
inline H make_handle(uintptr_t v) {
    return reinterpret_cast<H>(v);
}

}  // namespace ws
