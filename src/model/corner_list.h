// The index list of one mesh face: a vector of int32 with room for four
// corners inside the value, so quads and triangles (nearly every face a
// mesh holds) cost no allocation of their own. It reads and writes like a
// std::vector<int32_t> and converts to and from one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <new>
#include <span>
#include <vector>

namespace vk {

class CornerList {
 public:
  using value_type = std::int32_t;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = std::int32_t&;
  using const_reference = const std::int32_t&;
  using pointer = std::int32_t*;
  using const_pointer = const std::int32_t*;
  using iterator = std::int32_t*;
  using const_iterator = const std::int32_t*;
  using reverse_iterator = std::reverse_iterator<iterator>;
  using const_reverse_iterator = std::reverse_iterator<const_iterator>;

  CornerList() noexcept {}
  CornerList(std::initializer_list<std::int32_t> values) { assign(values.begin(), values.end()); }
  CornerList(const std::vector<std::int32_t>& values) { assign(values.begin(), values.end()); }  // NOLINT: implicit by design
  CornerList(std::span<const std::int32_t> values) { assign(values.begin(), values.end()); }  // NOLINT
  template <std::input_iterator It>
  CornerList(It first, It last) {
    assign(first, last);
  }
  explicit CornerList(size_type count, std::int32_t value = 0) { assign(count, value); }
  CornerList(const CornerList& other) { assign(other.begin(), other.end()); }
  CornerList(CornerList&& other) noexcept { steal(other); }
  ~CornerList() { release(); }

  CornerList& operator=(const CornerList& other) {
    if (this != &other) assign(other.begin(), other.end());
    return *this;
  }
  CornerList& operator=(CornerList&& other) noexcept {
    if (this != &other) {
      release();
      steal(other);
    }
    return *this;
  }
  CornerList& operator=(std::initializer_list<std::int32_t> values) {
    assign(values.begin(), values.end());
    return *this;
  }
  CornerList& operator=(const std::vector<std::int32_t>& values) {
    assign(values.begin(), values.end());
    return *this;
  }
  operator std::vector<std::int32_t>() const { return {begin(), end()}; }  // NOLINT: implicit by design

  size_type size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  size_type capacity() const noexcept { return capacity_; }
  std::int32_t* data() noexcept { return onHeap() ? heap_ : inline_; }
  const std::int32_t* data() const noexcept { return onHeap() ? heap_ : inline_; }
  iterator begin() noexcept { return data(); }
  iterator end() noexcept { return data() + size_; }
  const_iterator begin() const noexcept { return data(); }
  const_iterator end() const noexcept { return data() + size_; }
  const_iterator cbegin() const noexcept { return begin(); }
  const_iterator cend() const noexcept { return end(); }
  reverse_iterator rbegin() noexcept { return reverse_iterator(end()); }
  reverse_iterator rend() noexcept { return reverse_iterator(begin()); }
  const_reverse_iterator rbegin() const noexcept { return const_reverse_iterator(end()); }
  const_reverse_iterator rend() const noexcept { return const_reverse_iterator(begin()); }
  std::int32_t& operator[](size_type i) noexcept { return data()[i]; }
  const std::int32_t& operator[](size_type i) const noexcept { return data()[i]; }
  std::int32_t& front() noexcept { return data()[0]; }
  const std::int32_t& front() const noexcept { return data()[0]; }
  std::int32_t& back() noexcept { return data()[size_ - 1]; }
  const std::int32_t& back() const noexcept { return data()[size_ - 1]; }

  void reserve(size_type count) {
    if (count > capacity_) reallocate(count);
  }
  void clear() noexcept { size_ = 0; }
  void push_back(std::int32_t value) {
    if (size_ == capacity_) reallocate(grown(size_ + 1));
    data()[size_++] = value;
  }
  void pop_back() noexcept { --size_; }
  void resize(size_type count, std::int32_t value = 0) {
    reserve(count);
    if (count > size_) std::fill(data() + size_, data() + count, value);
    size_ = static_cast<std::uint32_t>(count);
  }
  void assign(size_type count, std::int32_t value) {
    clear();
    resize(count, value);
  }
  void assign(std::initializer_list<std::int32_t> values) { assign(values.begin(), values.end()); }
  template <std::input_iterator It>
  void assign(It first, It last) {
    if constexpr (std::contiguous_iterator<It>) {
      const auto count = static_cast<size_type>(last - first);
      // memmove: the values may be this list's own.
      if (count > capacity_) {
        CornerList fresh;
        fresh.reallocate(count);
        std::memcpy(fresh.data(), std::to_address(first), count * sizeof(std::int32_t));
        fresh.size_ = static_cast<std::uint32_t>(count);
        *this = std::move(fresh);
      } else if (!onHeap()) {
        copySmall(std::to_address(first), count);
      } else {
        if (count) std::memmove(data(), std::to_address(first), count * sizeof(std::int32_t));
        size_ = static_cast<std::uint32_t>(count);
      }
    } else {
      clear();
      if constexpr (std::forward_iterator<It>) reserve(static_cast<size_type>(std::distance(first, last)));
      for (; first != last; ++first) push_back(*first);
    }
  }
  template <std::input_iterator It>
  iterator insert(const_iterator pos, It first, It last) {
    const auto at = static_cast<size_type>(pos - begin());
    const std::vector<std::int32_t> values(first, last);
    reserve(size_ + values.size());
    std::int32_t* p = data() + at;
    std::memmove(p + values.size(), p, (size_ - at) * sizeof(std::int32_t));
    std::copy(values.begin(), values.end(), p);
    size_ += static_cast<std::uint32_t>(values.size());
    return p;
  }
  iterator insert(const_iterator pos, std::int32_t value) { return insert(pos, &value, &value + 1); }
  iterator erase(const_iterator first, const_iterator last) {
    std::int32_t* p = begin() + (first - begin());
    const auto gone = static_cast<std::uint32_t>(last - first);
    std::memmove(p, p + gone, static_cast<size_type>(end() - (p + gone)) * sizeof(std::int32_t));
    size_ -= gone;
    return p;
  }
  iterator erase(const_iterator pos) { return erase(pos, pos + 1); }
  void swap(CornerList& other) noexcept { std::swap(*this, other); }

  friend bool operator==(const CornerList& a, const CornerList& b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  friend bool operator==(const CornerList& a, const std::vector<std::int32_t>& b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  static constexpr std::uint32_t kInline = 4;
  bool onHeap() const noexcept { return capacity_ > kInline; }
  size_type grown(size_type needed) const { return std::max<size_type>(needed, size_type{capacity_} * 2); }
  void reallocate(size_type count) {
    if (count > UINT32_MAX) throw std::bad_alloc();
    auto* fresh = static_cast<std::int32_t*>(::operator new(count * sizeof(std::int32_t)));
    if (size_) std::memcpy(fresh, data(), size_ * sizeof(std::int32_t));
    release();
    heap_ = fresh;
    capacity_ = static_cast<std::uint32_t>(count);
  }
  void release() noexcept {
    if (onHeap()) ::operator delete(heap_);
    capacity_ = kInline;
  }
  // Up to four values into the inline room, front to back (the source may
  // lie further along the same room); no call to a general copy.
  void copySmall(const std::int32_t* from, size_type count) noexcept {
    if (count > 0) inline_[0] = from[0];
    if (count > 1) inline_[1] = from[1];
    if (count > 2) inline_[2] = from[2];
    if (count > 3) inline_[3] = from[3];
    size_ = static_cast<std::uint32_t>(count);
  }
  // Takes the other's values and leaves it empty; this one holds nothing.
  void steal(CornerList& other) noexcept {
    size_ = other.size_;
    capacity_ = other.capacity_;
    if (other.onHeap()) {
      heap_ = other.heap_;
    } else {
      std::memcpy(inline_, other.inline_, sizeof inline_);
    }
    other.size_ = 0;
    other.capacity_ = kInline;
  }

  union {
    std::int32_t inline_[kInline] = {};
    std::int32_t* heap_;
  };
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = kInline;
};

}  // namespace vk
