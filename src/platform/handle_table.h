// Generation-checked handle tables. A handle is (generation, tag, slot); a
// lookup of a freed or reused slot, or of a handle of another table, yields
// null instead of touching freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vk::platform {

template <class T>
class HandleTable {
 public:
  // `tag` (1..255) is stored in the handle so tables never accept each
  // other's handles.
  explicit HandleTable(std::uint8_t tag) : tag_(tag) {}

  std::uintptr_t add(std::unique_ptr<T> object) {
    std::uint32_t index;
    if (!free_.empty()) {
      index = free_.back();
      free_.pop_back();
    } else {
      if (slots_.size() >= kSlotLimit) return 0;
      index = static_cast<std::uint32_t>(slots_.size());
      slots_.push_back(Slot{});
    }
    Slot& slot = slots_[index];
    slot.object = std::move(object);
    return encode(index, slot.generation);
  }

  T* get(std::uintptr_t handle) const {
    std::uint32_t index;
    if (!decode(handle, index)) return nullptr;
    return slots_[index].object.get();
  }

  template <class H>
  T* get(H handle) const {
    return get(reinterpret_cast<std::uintptr_t>(handle));
  }

  // Frees the slot; the handle (and every copy of it) goes stale.
  std::unique_ptr<T> remove(std::uintptr_t handle) {
    std::uint32_t index;
    if (!decode(handle, index)) return nullptr;
    Slot& slot = slots_[index];
    std::unique_ptr<T> object = std::move(slot.object);
    slot.generation = (slot.generation + 1) & kGenerationMask;
    if (slot.generation == 0) slot.generation = 1;
    free_.push_back(index);
    return object;
  }

  template <class H>
  std::unique_ptr<T> remove(H handle) {
    return remove(reinterpret_cast<std::uintptr_t>(handle));
  }

  // Visits every live object as (handle, object).
  template <class F>
  void forEach(F&& visit) const {
    for (std::uint32_t i = 0; i < slots_.size(); ++i)
      if (slots_[i].object) visit(encode(i, slots_[i].generation), *slots_[i].object);
  }

 private:
  static constexpr std::uint32_t kSlotLimit = 0xFFFFFF;
  static constexpr std::uint32_t kGenerationMask = 0x7FFFFFFF;

  struct Slot {
    std::unique_ptr<T> object;
    std::uint32_t generation = 1;
  };

  std::uintptr_t encode(std::uint32_t index, std::uint32_t generation) const {
    return (static_cast<std::uintptr_t>(generation) << 32) |
           (static_cast<std::uintptr_t>(tag_) << 24) | (index + 1);
  }

  bool decode(std::uintptr_t handle, std::uint32_t& index) const {
    if (handle == 0) return false;
    if (((handle >> 24) & 0xFF) != tag_) return false;
    std::uint32_t slotPlusOne = handle & 0xFFFFFF;
    if (slotPlusOne == 0 || slotPlusOne > slots_.size()) return false;
    index = slotPlusOne - 1;
    const Slot& slot = slots_[index];
    return slot.object && slot.generation == static_cast<std::uint32_t>(handle >> 32);
  }

  std::uint8_t tag_;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_;
};

// Tags of the tables. GDI objects of every kind share one table so that
// HGDIOBJ calls (SelectObject, DeleteObject) resolve any of them.
enum HandleTag : std::uint8_t {
  kTagGdiObject = 0x11,
  kTagDc = 0x12,
  kTagPaintBuffer = 0x13,
  kTagWindow = 0x21,
  kTagMenu = 0x22,
  kTagMonitor = 0x23,
  kTagIcon = 0x24,
};

}  // namespace vk::platform
