// Copy-on-write value handle for the heavy arrays of the model (mesh and
// curve-sample vectors), so that whole-project undo snapshots share meshes
// that did not change instead of copying them.
//
// Observable behaviour is that of a plain value: copying a Cow and then
// writing through either copy never changes the other.
//
//   const auto& v = mesh.vertices.read();   // or *mesh.vertices, or mesh.vertices[i]
//   for (const Vec3& p : mesh.vertices) ...  // const iteration
//   mesh.vertices.write().push_back(p);      // clones first when shared
//   mesh.vertices = std::vector<Vec3>{...};  // replace the whole array
//
// Rule: the reference returned by write() is valid until the Cow is copied,
// assigned or destroyed; do not keep it across a copy of its owner (take a
// fresh write() after copying an Object, a MeshData or a Project).
// Single-threaded like the rest of the model: the sharing test is not
// meant to race with copies on other threads.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace vk {

template <class T>
class Cow {
 public:
  using value_type = T;

  Cow() = default;
  Cow(T value) : data_(std::make_shared<T>(std::move(value))) {}  // NOLINT: implicit by design
  Cow& operator=(T value) {
    data_ = std::make_shared<T>(std::move(value));
    return *this;
  }

  // Read access: never copies. A never-written handle reads as an empty T.
  const T& read() const { return data_ ? *data_ : emptyValue(); }
  const T& operator*() const { return read(); }
  const T* operator->() const { return &read(); }

  // Write access: makes this handle the sole owner first (copying the
  // shared array once), so the caller may change it freely.
  T& write() {
    if (!data_) {
      data_ = std::make_shared<T>();
    } else if (data_.use_count() > 1) {
      data_ = std::make_shared<T>(*data_);
    }
    return *data_;
  }

  // Convenience pass-throughs for vector-like T (read-only).
  std::size_t size() const { return read().size(); }
  bool empty() const { return read().empty(); }
  decltype(auto) operator[](std::size_t i) const { return read()[i]; }
  auto begin() const { return read().begin(); }
  auto end() const { return read().end(); }

  // Drops the contents without touching other copies.
  void clear() { data_.reset(); }

  // An empty array to fill with about `count` elements, for a vector-like T:
  // a sole owner keeps its memory when that is at most twice what is needed
  // (refilled arrays fault no fresh pages); otherwise a new array. Other
  // copies never change.
  T& refill(std::size_t count) {
    if (data_ && data_.use_count() == 1 && data_->capacity() / 2 <= count) {
      data_->clear();
    } else {
      data_ = std::make_shared<T>();
    }
    data_->reserve(count);
    return *data_;
  }

  // True when both handles share one array (a copy not yet written to).
  bool sharesWith(const Cow& other) const { return data_ && data_ == other.data_; }

  friend bool operator==(const Cow& a, const Cow& b) {
    return a.data_ == b.data_ || a.read() == b.read();
  }

 private:
  static const T& emptyValue() {
    static const T empty{};
    return empty;
  }

  std::shared_ptr<T> data_;
};

// A long text that every copy shares until one assigns another: the import
// report and warnings of one run are the same for all of its objects, and
// undo snapshots copy a pointer instead of megabytes. Reads as a wstring.
class SharedText {
 public:
  SharedText() = default;
  SharedText(std::wstring text) { assign(std::move(text)); }  // NOLINT: implicit by design
  SharedText(const wchar_t* text) { assign(std::wstring(text)); }  // NOLINT
  SharedText& operator=(std::wstring text) {
    assign(std::move(text));
    return *this;
  }
  SharedText& operator=(const wchar_t* text) { return *this = std::wstring(text); }

  const std::wstring& str() const { return data_ ? *data_ : emptyText(); }
  operator const std::wstring&() const { return str(); }  // NOLINT
  operator std::wstring_view() const { return str(); }    // NOLINT
  bool empty() const { return str().empty(); }
  std::size_t size() const { return str().size(); }
  bool sharesWith(const SharedText& other) const { return data_ && data_ == other.data_; }

  friend bool operator==(const SharedText& a, const SharedText& b) { return a.data_ == b.data_ || a.str() == b.str(); }

 private:
  void assign(std::wstring text) {
    if (text.empty()) data_.reset();
    else data_ = std::make_shared<const std::wstring>(std::move(text));
  }
  static const std::wstring& emptyText() {
    static const std::wstring empty;
    return empty;
  }
  std::shared_ptr<const std::wstring> data_;
};

}  // namespace vk
