// The scene's object and collection lists: vector-like sequences whose
// elements live behind shared pointers, so that copying a list (an undo
// snapshot, a restore) shares every object that did not change instead of
// copying its strings, material slots, tracks and notes. Observable behaviour is that of a
// std::vector of values: writing through one copy never changes another.
//
//   const Object& o = list[i];          // const access never copies
//   for (const Object& o : std::as_const(list)) ...
//   Object& w = list[i];                // non-const access: clones a shared
//                                       // element first (copy-on-write)
//
// A non-const `for (Object& o : list)` takes write access to every element,
// cloning each shared one: walk a const view and take write access at the
// index that really changes (see findObjectById).
//
// Rule for held references: a mutable reference (or pointer) to an element
// may be written until the list has been copied twice after it was taken.
// The commands rely on this: `Object* o = findObjectById(id);
// pushUndoSnapshot(); o->name = x;` must change the live object only. A copy
// therefore gives the new list a private deep copy of every element written
// since the source's previous copy, and shares the rest; take write access
// again after a snapshot rather than keep a reference across two.
// Moving a list keeps every reference valid; inserting or erasing elements
// never moves an element itself, so references to the others stay valid too.
// Single-threaded like the rest of the model.
//
// Caches kept beside a list (the outliner's rows, the triangle count) ask
// contentStamp(i) instead of comparing the element: equal non-zero stamps
// mean the very same, unwritten contents. An index by some field (the
// lookup by id) asks revision() and writtenIndices() instead of walking it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace vk {

template <class T>
class SharedList {
  // A number no node of this element type had before: every new node and
  // every write access takes one, so equal numbers mean unchanged contents.
  static std::uint64_t freshRevision() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  // The element, its note (see note()) and its revision, shared by every
  // list holding it.
  struct Node {
    template <class... Args>
    explicit Node(std::in_place_t, Args&&... args) : value(std::forward<Args>(args)...) {}
    T value;
    bool noted = false;
    std::uint64_t revision = freshRevision();
  };

  struct Slot {
    std::shared_ptr<Node> node;  // never null
    std::uint64_t written = 0;   // copy epoch of the last write access
  };

  template <bool Const>
  class Iterator {
    using List = std::conditional_t<Const, const SharedList, SharedList>;

   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const T&, T&>;
    using pointer = std::conditional_t<Const, const T*, T*>;

    Iterator() = default;
    Iterator(List* list, std::size_t index) : list_(list), index_(index) {}
    operator Iterator<true>() const { return {list_, index_}; }  // NOLINT: iterator -> const_iterator

    reference operator*() const { return (*list_)[index_]; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type n) const { return *(*this + n); }

    Iterator& operator++() { ++index_; return *this; }
    Iterator operator++(int) { Iterator old = *this; ++index_; return old; }
    Iterator& operator--() { --index_; return *this; }
    Iterator operator--(int) { Iterator old = *this; --index_; return old; }
    Iterator& operator+=(difference_type n) { index_ = static_cast<std::size_t>(static_cast<difference_type>(index_) + n); return *this; }
    Iterator& operator-=(difference_type n) { return *this += -n; }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) {
      return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.index_ <=> b.index_; }

    std::size_t index() const { return index_; }

   private:
    List* list_ = nullptr;
    std::size_t index_ = 0;
  };

 public:
  using value_type = T;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = T&;
  using const_reference = const T&;
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;

  SharedList() = default;
  SharedList(std::initializer_list<T> items) { assignValues(items.begin(), items.end()); }
  SharedList(const std::vector<T>& items) { assignValues(items.begin(), items.end()); }  // NOLINT: implicit by design
  SharedList(std::vector<T>&& items) { assignValues(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end())); }  // NOLINT
  template <class It, class = typename std::iterator_traits<It>::iterator_category>
  SharedList(It first, It last) { assignValues(first, last); }

  SharedList(const SharedList& other) : slots_(other.sharedSlots()) {}
  SharedList(SharedList&& other) noexcept : slots_(std::move(other.slots_)), epoch_(other.epoch_) {
    other.slots_.clear();
    other.reshaped();
  }
  SharedList& operator=(const SharedList& other) {
    if (this != &other) {
      slots_ = other.sharedSlots();
      reshaped();
    }
    return *this;
  }
  SharedList& operator=(SharedList&& other) noexcept {
    if (this != &other) {
      slots_ = std::move(other.slots_);
      epoch_ = other.epoch_;
      other.slots_.clear();
      other.reshaped();
      reshaped();
    }
    return *this;
  }
  SharedList& operator=(std::initializer_list<T> items) { return *this = SharedList(items); }
  SharedList& operator=(const std::vector<T>& items) { return *this = SharedList(items); }
  SharedList& operator=(std::vector<T>&& items) { return *this = SharedList(std::move(items)); }

  // ---- read access (never copies an element)
  std::size_t size() const { return slots_.size(); }
  bool empty() const { return slots_.empty(); }
  const T& operator[](std::size_t i) const { return slots_[i].node->value; }
  const T& at(std::size_t i) const { return slots_.at(i).node->value; }
  const T& front() const { return slots_.front().node->value; }
  const T& back() const { return slots_.back().node->value; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, slots_.size()}; }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }
  std::vector<T> toVector() const { return std::vector<T>(begin(), end()); }
  operator std::vector<T>() const { return toVector(); }  // NOLINT: vector-like by design
  // The index of the element stored at this address; size() when none is.
  std::size_t indexOf(const T* element) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (&slots_[i].node->value == element) return i;
    }
    return slots_.size();
  }

  // ---- write access (clones the element first when another list shares it)
  T& operator[](std::size_t i) { return writable(slots_[i]); }
  T& at(std::size_t i) { return writable(slots_.at(i)); }
  T& front() { return writable(slots_.front()); }
  T& back() { return writable(slots_.back()); }
  iterator begin() { return {this, 0}; }
  iterator end() { return {this, slots_.size()}; }

  // ---- structure (moves slots, never elements)
  void reserve(std::size_t n) { slots_.reserve(n); }
  std::size_t capacity() const { return slots_.capacity(); }
  void clear() {
    slots_.clear();
    reshaped();
  }
  void shrink_to_fit() { slots_.shrink_to_fit(); }
  void assign(std::size_t n, const T& value) {
    slots_.clear();
    resize(n, value);
  }
  void resize(std::size_t n) { resize(n, T{}); }
  void resize(std::size_t n, const T& value) {
    if (n < slots_.size()) slots_.resize(n);
    while (slots_.size() < n) slots_.push_back(freshSlot(value));
    reshaped();
  }
  void push_back(const T& item) {
    slots_.push_back(freshSlot(item));
    reshaped();
  }
  void push_back(T&& item) {
    slots_.push_back(freshSlot(std::move(item)));
    reshaped();
  }
  // The returned reference counts as write access taken now.
  template <class... Args>
  T& emplace_back(Args&&... args) {
    slots_.push_back(freshSlot(std::forward<Args>(args)...));
    reshaped();
    return writable(slots_.back());
  }
  void pop_back() {
    slots_.pop_back();
    reshaped();
  }
  iterator insert(const_iterator pos, T item) {
    slots_.insert(slots_.begin() + static_cast<difference_type>(pos.index()), freshSlot(std::move(item)));
    reshaped();
    return {this, pos.index()};
  }
  iterator erase(const_iterator pos) { return erase(pos, pos + 1); }
  iterator erase(const_iterator first, const_iterator last) {
    slots_.erase(slots_.begin() + static_cast<difference_type>(first.index()),
                 slots_.begin() + static_cast<difference_type>(last.index()));
    reshaped();
    return {this, first.index()};
  }
  // Removes the elements the predicate selects; it sees each element once,
  // in order, read-only. Returns how many went.
  template <class Pred>
  std::size_t eraseIf(Pred pred) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (pred(std::as_const(slots_[i].node->value))) continue;
      if (kept != i) slots_[kept] = std::move(slots_[i]);
      ++kept;
    }
    const std::size_t removed = slots_.size() - kept;
    slots_.resize(kept);
    reshaped();
    return removed;
  }
  void swap(SharedList& other) noexcept {
    slots_.swap(other.slots_);
    std::swap(epoch_, other.epoch_);
    reshaped();
    other.reshaped();
  }

  // Declares that nobody holds a reference to an element any more (a list
  // just read from a file or rebuilt whole): the next copies share every
  // element instead of copying the ones written while it was built.
  void settle() {
    for (Slot& slot : slots_) slot.written = 0;
  }

  // A one-bit note about the element's present contents (for example "known
  // not to need repair"): every list sharing the element sees it, and any
  // write access clears it.
  bool noted(std::size_t i) const { return slots_[i].node->noted; }
  void note(std::size_t i) const { slots_[i].node->noted = true; }

  // The stamp of element i's present contents: a later write access, or
  // another element in its place, gives a different one. 0 while a mutable
  // reference to it may still be held (written since the copy before the
  // list's last one, see above), since writes through that reference leave
  // the stamp as it is: compare such an element by value.
  std::uint64_t contentStamp(std::size_t i) const {
    const Slot& slot = slots_[i];
    if (slot.written != 0 && slot.written + 1 >= epoch_) return 0;
    return slot.node->revision;
  }

  // What an index kept beside the list relies on. revision() changes
  // whenever an index may hold another element than before (elements added,
  // removed or the list replaced) and when too many were written to name
  // them; while it stays, the elements changed since are those at
  // writtenIndices() and those whose contentStamp() was 0 when the index
  // was built.
  std::uint64_t revision() const { return revision_; }
  const std::vector<std::size_t>& writtenIndices() const { return written_; }

  // True when both lists hold the very same element at index i (a copy not
  // yet written to); for tests and measurements of the sharing.
  bool sharesElement(const SharedList& other, std::size_t i) const {
    return i < slots_.size() && i < other.slots_.size() && slots_[i].node == other.slots_[i].node;
  }

  friend bool operator==(const SharedList& a, const SharedList& b) {
    if (a.slots_.size() != b.slots_.size()) return false;
    for (std::size_t i = 0; i < a.slots_.size(); ++i) {
      if (a.slots_[i].node != b.slots_[i].node && !(a.slots_[i].node->value == b.slots_[i].node->value)) return false;
    }
    return true;
  }

 private:
  template <class... Args>
  static Slot freshSlot(Args&&... args) {
    return Slot{std::make_shared<Node>(std::in_place, std::forward<Args>(args)...), 0};
  }

  template <class It>
  void assignValues(It first, It last) {
    if constexpr (std::is_base_of_v<std::forward_iterator_tag, typename std::iterator_traits<It>::iterator_category>)
      slots_.reserve(static_cast<std::size_t>(std::distance(first, last)));
    for (; first != last; ++first) slots_.push_back(freshSlot(*first));
  }

  void reshaped() {
    revision_ = freshRevision();
    written_.clear();
  }

  // Past this many written elements an index is rebuilt rather than checked.
  static constexpr std::size_t kWrittenNamed = 16;

  T& writable(Slot& slot) {
    const auto index = static_cast<std::size_t>(&slot - slots_.data());
    if (std::find(written_.begin(), written_.end(), index) == written_.end()) {
      if (written_.size() < kWrittenNamed) written_.push_back(index);
      else reshaped();
    }
    if (slot.node.use_count() > 1) slot.node = std::make_shared<Node>(std::in_place, std::as_const(slot.node->value));
    slot.written = epoch_;
    slot.node->noted = false;
    slot.node->revision = freshRevision();
    return slot.node->value;
  }

  // The slots of a copy: elements written since the previous copy get a
  // private deep copy (someone may still hold a reference to ours), the rest
  // are shared. Then this list's epoch advances.
  std::vector<Slot> sharedSlots() const {
    std::vector<Slot> copy;
    copy.reserve(slots_.size());
    for (const Slot& slot : slots_) {
      if (slot.written != epoch_) {
        copy.push_back(Slot{slot.node, 0});
      } else {
        auto node = std::make_shared<Node>(std::in_place, std::as_const(slot.node->value));
        node->noted = slot.node->noted;
        copy.push_back(Slot{std::move(node), 0});
      }
    }
    ++epoch_;
    return copy;
  }

  std::vector<Slot> slots_;
  // Copies taken of this list so far, plus one, so that 0 reads "written
  // before any copy". Not copied with the list: a list's own count.
  mutable std::uint64_t epoch_ = 1;
  std::uint64_t revision_ = freshRevision();
  std::vector<std::size_t> written_;  // see writtenIndices()
};

}  // namespace vk
