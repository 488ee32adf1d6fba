// Builders for the JSON texts the studio writes (the project file, the glTF
// document): members appended in order, with the number forms of json.h.
#pragma once

#include <string>
#include <string_view>

#include "model/types.h"
#include "persistence/json.h"

namespace vk {

// Appends `{ "k": v, ... }` one member at a time; close() ends it.
class InlineObject {
 public:
  explicit InlineObject(std::string& out) : out_(out) { out_ += "{ "; }
  InlineObject& str(std::string_view key, std::wstring_view value) {
    name(key);
    out_ += '"';
    appendJsonEscaped(out_, value);
    out_ += '"';
    return *this;
  }
  // A text the caller knows needs no escapes (format tokens).
  InlineObject& ascii(std::string_view key, std::string_view value) {
    name(key);
    out_ += '"';
    out_ += value;
    out_ += '"';
    return *this;
  }
  InlineObject& boolean(std::string_view key, bool value) {
    name(key);
    out_ += value ? "true" : "false";
    return *this;
  }
  InlineObject& integer(std::string_view key, long long value) {
    name(key);
    appendInt(out_, value);
    return *this;
  }
  InlineObject& count(std::string_view key, unsigned long long value) {
    name(key);
    appendUnsigned(out_, value);
    return *this;
  }
  InlineObject& fixed(std::string_view key, double value) {
    name(key);
    appendFixed4(out_, value);
    return *this;
  }
  InlineObject& shortest(std::string_view key, double value) {
    name(key);
    appendShortestDouble(out_, value);
    return *this;
  }
  InlineObject& vec(std::string_view key, const Vec3& value);
  // The caller appends the value itself.
  std::string& raw(std::string_view key) {
    name(key);
    return out_;
  }
  void close() { out_ += " }"; }

 private:
  void name(std::string_view key) {
    if (!first_) out_ += ", ";
    first_ = false;
    out_ += '"';
    out_ += key;
    out_ += "\": ";
  }
  std::string& out_;
  bool first_ = true;
};

// `{ "x": .., "y": .., "z": .. }` with shortest round-trip numbers.
void appendVec3(std::string& out, const Vec3& v);

inline InlineObject& InlineObject::vec(std::string_view key, const Vec3& value) {
  appendVec3(raw(key), value);
  return *this;
}

// `<indent>"key": ` at the start of a line of a multi-line block.
std::string& keyLine(std::string& out, int indent, std::string_view key);

// Appends the single-value lines of a multi-line block, `<indent>"key": value,`
// each with its line end.
class BlockLines {
 public:
  BlockLines(std::string& out, int indent) : out_(out), indent_(indent) {}
  BlockLines& str(std::string_view key, std::wstring_view value);
  BlockLines& boolean(std::string_view key, bool value);
  BlockLines& integer(std::string_view key, long long value);
  BlockLines& count(std::string_view key, unsigned long long value);
  BlockLines& fixed(std::string_view key, double value);
  BlockLines& vec(std::string_view key, const Vec3& value);

 private:
  BlockLines& next() {
    out_ += ",\n";
    return *this;
  }
  std::string& out_;
  int indent_;
};

// Joins `items` as "a, b, c", appending each through `write`.
template <class Range, class Write>
void appendJoined(std::string& out, const Range& items, Write&& write) {
  bool first = true;
  for (const auto& item : items) {
    if (!first) out += ", ";
    first = false;
    write(item);
  }
}

}  // namespace vk
