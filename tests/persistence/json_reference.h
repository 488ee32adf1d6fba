// RFC 8259 checked by the book, for tests to hold the project reader's
// verdict against.
#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace vk_test {

// RFC 8259 by recursive descent: one value with blanks around it.
class JsonReference {
 public:
  explicit JsonReference(std::string_view text) : t_(text) {}
  bool wellFormed() {
    blanks();
    if (!value(0)) return false;
    blanks();
    return i_ == t_.size();
  }
  // The check stopped at a nesting deeper than it follows (its verdict is
  // then false whatever the text).
  bool tooDeep() const { return tooDeep_; }

 private:
  bool at(char c) const { return i_ < t_.size() && t_[i_] == c; }
  bool eat(char c) {
    if (!at(c)) return false;
    ++i_;
    return true;
  }
  bool digit() const { return i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9'; }
  void blanks() {
    while (at(' ') || at('\n') || at('\r') || at('\t')) ++i_;
  }
  bool digits() {
    if (!digit()) return false;
    while (digit()) ++i_;
    return true;
  }
  bool string() {
    if (!eat('"')) return false;
    while (i_ < t_.size()) {
      const auto b = static_cast<unsigned char>(t_[i_++]);
      if (b < 0x20) return false;
      if (b == '"') return true;
      if (b != '\\' || i_ >= t_.size()) continue;
      const char e = t_[i_++];
      if (e == 'u') {
        for (int k = 0; k < 4; ++k, ++i_)
          if (i_ >= t_.size() || !std::isxdigit(static_cast<unsigned char>(t_[i_]))) return false;
      } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }
  bool number() {
    eat('-');
    if (eat('0')) {
      if (digit()) return true;  // what follows is judged by the caller: "01" fails there
    } else if (!digits()) {
      return false;
    }
    if (eat('.') && !digits()) return false;
    if (eat('e') || eat('E')) {
      if (!eat('+')) eat('-');
      if (!digits()) return false;
    }
    return true;
  }
  bool value(int depth) {
    if (depth > 200) {
      tooDeep_ = true;
      return false;
    }
    if (at('"')) return string();
    if (at('-') || digit()) return number();
    for (std::string_view word : {"true", "false", "null"})
      if (t_.substr(i_, word.size()) == word) {
        i_ += word.size();
        return true;
      }
    const bool object = at('{');
    if (!object && !at('[')) return false;
    ++i_;
    blanks();
    if (eat(object ? '}' : ']')) return true;
    while (true) {
      blanks();
      if (object) {
        if (!string()) return false;
        blanks();
        if (!eat(':')) return false;
        blanks();
      }
      if (!value(depth + 1)) return false;
      blanks();
      if (eat(',')) continue;
      return eat(object ? '}' : ']');
    }
  }
  std::string_view t_;
  size_t i_ = 0;
  bool tooDeep_ = false;
};

}  // namespace vk_test
