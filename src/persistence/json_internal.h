// What the JSON scanner's files (json_brackets.cpp, json_check.cpp,
// json_members.cpp, json_numbers.cpp, json_unescape.cpp) share and no caller
// needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "persistence/json.h"

namespace vk::json_detail {

// Escaped keys compare by their decoded text.
inline bool keyEquals(const JsonMember& member, std::string_view key) {
  if (!member.keyHasEscape) return member.key == key;
  return jsonUnescapeToUtf8(member.key) == key;
}

// Counts the objects among the elements from `from` (inside an array) up to
// the closer at that level and returns the closer's index, or npos when the
// text ends first (an object it ends inside is then not counted).
size_t countObjectsToCloser(std::string_view t, size_t from, uint64_t& objects);

// The bracket table's depth bookkeeping: open containers on a stack, deeper
// ones only counted. A container gets its table entry when it closes far
// enough from its opener, or earlier, when one inside it does, so entries
// stay in the order of their openers; small ones never take one.
class BracketRecorder {
 public:
  // Deep enough for every block the readers index (key vectors, glTF
  // attributes); deeper containers are small elements a scan skips fast, and
  // the bound keeps the table within a few bytes per byte of a hostile text.
  static constexpr size_t kRecordedDepth = 8;
  // Containers closing within this many bytes of their opener get no entry:
  // a scan passes them as fast as a lookup finds them, and at most
  // kRecordedDepth recorded containers share a byte, so the table stays under
  // text / 16 entries (under a byte of table per byte of text) however
  // densely a text packs its brackets.
  static constexpr size_t kSmallContainer = 128;
  explicit BracketRecorder(JsonBracketTable& table) : spans_(table.spans) {}
  // The latest opener waits until the next bracket says whether it holds
  // other containers: most containers (a face, a vertex) hold none, and
  // those then never go on the stack.
  void bracket(size_t i, bool opens) {
    if (opens) {
      if (leafAt_ != kNoLeaf) push(leafAt_);
      leafAt_ = i;
      return;
    }
    if (leafAt_ != kNoLeaf) {
      const size_t at = leafAt_;
      leafAt_ = kNoLeaf;
      countChild();
      if (deeper_ == 0 && stack_.size() < kRecordedDepth && i - at >= kSmallContainer)
        spans_[enter({static_cast<uint32_t>(at), kNoEntry, 0})] = {static_cast<uint32_t>(at), static_cast<uint32_t>(i), 0};
      return;
    }
    if (deeper_ > 0) {
      --deeper_;
    } else if (!stack_.empty()) {
      const Open open = stack_.back();
      stack_.pop_back();
      if (open.entry == kNoEntry && i - open.at < kSmallContainer) return;
      const uint32_t entry = open.entry == kNoEntry ? enter(open) : open.entry;
      spans_[entry] = {open.at, static_cast<uint32_t>(i), open.children};
    }
  }
  // bracket(open, true) then bracket(close, false), for a container that
  // holds no other.
  void leaf(size_t open, size_t close) {
    if (leafAt_ != kNoLeaf) push(leafAt_);
    leafAt_ = kNoLeaf;
    countChild();
    if (deeper_ == 0 && stack_.size() < kRecordedDepth && close - open >= kSmallContainer)
      spans_[enter({static_cast<uint32_t>(open), kNoEntry, 0})] = {static_cast<uint32_t>(open),
                                                                    static_cast<uint32_t>(close), 0};
  }
  // What leaf() does for each of `count` more containers that hold no other
  // and close within kSmallContainer bytes, right after a leaf().
  void smallLeaves(size_t count) {
    if (deeper_ == 0 && !stack_.empty()) stack_.back().children += static_cast<uint32_t>(count);
  }
  // Containers the text ends inside keep UINT32_MAX as their closer.
  void finish() {
    if (leafAt_ != kNoLeaf) push(leafAt_);
    leafAt_ = kNoLeaf;
    while (!stack_.empty()) {
      const Open open = stack_.back();
      stack_.pop_back();
      spans_[open.entry == kNoEntry ? enter(open) : open.entry].children = open.children;
    }
  }

 private:
  static constexpr uint32_t kNoEntry = UINT32_MAX;
  static constexpr size_t kNoLeaf = SIZE_MAX;
  void countChild() {
    if (deeper_ == 0 && !stack_.empty()) ++stack_.back().children;
  }
  void push(size_t at) {
    countChild();
    if (stack_.size() < kRecordedDepth) {
      stack_.push_back({static_cast<uint32_t>(at), kNoEntry, 0});
    } else {
      ++deeper_;
    }
  }
  struct Open {
    uint32_t at;
    uint32_t entry;  // its table entry, or kNoEntry while it has none
    uint32_t children;
  };
  // Gives `open` (just popped) its entry after those of the containers still
  // open around it: the innermost of them that have none yet take theirs
  // first, outermost first.
  uint32_t enter(const Open& open) {
    size_t first = stack_.size();
    while (first > 0 && stack_[first - 1].entry == kNoEntry) --first;
    for (size_t k = first; k < stack_.size(); ++k) {
      stack_[k].entry = static_cast<uint32_t>(spans_.size());
      spans_.push_back({stack_[k].at, UINT32_MAX, 0});
    }
    spans_.push_back({open.at, UINT32_MAX, 0});
    return static_cast<uint32_t>(spans_.size() - 1);
  }

  std::vector<JsonBracketTable::Span>& spans_;
  std::vector<Open> stack_;
  size_t deeper_ = 0;
  size_t leafAt_ = kNoLeaf;  // the opener not yet on the stack
};

// Feeds every bracket outside strings from `i` to the recorder, up to the
// text's end or the string it ends inside; `inString` when `i` lies inside a
// string (at its body, or at a backslash in it).
void recordBracketsFrom(std::string_view text, size_t i, bool inString, BracketRecorder& recorder);

}  // namespace vk::json_detail
