// Whether a text is one well-formed JSON value (RFC 8259), and where it first
// breaks the grammar when it is not: a state machine over the text. The
// reader's open runs it beside its own reading, on a thread of its own for a
// large text (JsonGrammarCheck), so a whole open waits only for the slower
// of the two.
//
// The scan runs unguarded (no bound test per read) while it is clear of the
// text's end, and hands over to the guarded states at a token's start near
// the end or wherever a token is not what it should be: those judge it, and
// report the fault. Unguarded, the writers' dense array elements are checked
// in bulk (json_dense.cpp).
//
// Sections:
//   - Kinds    KindStack: object or array, one bit per open container
//   - Scan     GrammarScan, the state machine's parts
//   - Fast     the states between tokens, unguarded
//   - Guarded  the states between tokens, every read tested
//   - Check    jsonGrammarFault, JsonGrammarCheck
#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>
#include <vector>

#include "persistence/json.h"
#include "persistence/json_grammar.h"

namespace vk {
namespace {

using namespace json_grammar;
constexpr size_t npos = std::string_view::npos;

// ---- Kinds ------------------------------------------------------------------

// Whether each open container is an object or an array. 4096 levels live in
// place; only a text nested deeper than that takes memory for more.
class KindStack {
 public:
  size_t depth() const { return depth_; }
  bool inObject() const { return top_; }
  void push(bool object) {
    if (depth_ == capacity_) grow();
    uint64_t& word = words_[depth_ >> 6];
    const uint64_t bit = uint64_t{1} << (depth_ & 63);
    word = object ? word | bit : word & ~bit;
    ++depth_;
    top_ = object;
  }
  void pop() {
    --depth_;
    top_ = depth_ > 0 && ((words_[(depth_ - 1) >> 6] >> ((depth_ - 1) & 63)) & 1u);
  }

 private:
  void grow() {
    std::vector<uint64_t> more(capacity_ / 32, 0);
    std::copy(words_, words_ + capacity_ / 64, more.begin());
    heap_ = std::move(more);
    words_ = heap_.data();
    capacity_ *= 2;
  }
  std::array<uint64_t, 64> local_{};
  std::vector<uint64_t> heap_;
  uint64_t* words_ = local_.data();
  size_t capacity_ = 64 * 64;
  size_t depth_ = 0;
  bool top_ = false;
};

// ---- Scan -------------------------------------------------------------------

// What the scan expects at a position. Every state may begin with blanks.
enum class Expect : uint8_t {
  Value,        // a value: the document, or a member's
  Element,      // an array's element
  ArrayStart,   // an element or ']'
  Key,          // a member's name
  ObjectStart,  // a member's name or '}'
  Colon,        // the colon after a member's name
  AfterValue,   // a comma or a closer, inside a container
  End,          // only blanks, after the document
};

struct ScanStop {
  enum Kind : uint8_t {
    Whole,     // one value, blanks around it, nothing else
    Fault,     // the text breaks the grammar at `at`
    Handover,  // the unguarded scan leaves the token at `at` to the guarded one
  };
  size_t at;
  Kind kind;
  Expect expect;
};

// The grammar as a state machine over the text.
class GrammarScan {
 public:
  explicit GrammarScan(std::string_view text)
      : p_(text.data()),
        n_(text.size()),
        limit_(n_ > kUnguardedReach ? n_ - kUnguardedReach : 0)
#if defined(__SSE2__)
        ,
        read_(p_, limit_)
#endif
  {
  }

  ScanStop scan() {
    size_t start = 0;
    while (start < n_ && isBlank(static_cast<unsigned char>(p_[start]))) ++start;
    ScanStop stop{start, ScanStop::Handover, Expect::Value};
#if defined(__SSE2__)
    if (start < limit_) stop = fast(start);
#endif
    if (stop.kind == ScanStop::Handover) stop = guarded(stop.at, stop.expect);
    return stop;
  }

 private:
  unsigned char at(size_t i) const { return i < n_ ? static_cast<unsigned char>(p_[i]) : 0; }
  ScanStop fault(size_t at) const { return {at, ScanStop::Fault, Expect::Value}; }
  // The fault of a token starting at `at` that is wrong at `reached`: at the
  // text's end when the end cut it there, so a cut start faults at its end.
  ScanStop tokenFault(size_t at, size_t reached) const { return fault(reached >= n_ ? n_ : at); }
  ScanStop handover(size_t at, Expect expect) const { return {at, ScanStop::Handover, expect}; }

  ScanStop guarded(size_t i, Expect expect);
  // Just past the string whose opening quote is at i, byte by byte: npos
  // with `stop` set at a control character, a bad escape or the text's end.
  size_t guardedString(size_t i, ScanStop& stop) const;
#if defined(__SSE2__)
  ScanStop fast(size_t i);
#endif

  const char* p_;
  size_t n_;
  size_t limit_;
  KindStack kinds_;
#if defined(__SSE2__)
  UnguardedReader read_;
  ElementShape shape_;
#endif
};

#if defined(__SSE2__)

// ---- Fast -------------------------------------------------------------------

ScanStop GrammarScan::fast(size_t i) {
  unsigned char c = 0;
  size_t end = 0;
  bool shaped = false;      // shape_ holds the layout of an element learned in this scan
  bool integerRuns = true;  // the array's integers have been taken in runs

value:  // at a value's first byte
  if (i >= limit_) return handover(i, Expect::Value);
  c = static_cast<unsigned char>(p_[i]);
  switch (kValueStarts[c]) {
    case kString:
      end = read_.stringEnd(i);
      if (!end) return handover(i, Expect::Value);
      i = end;
      goto afterValue;
    case kNumber:
      end = read_.numberEnd(i);
      if (!end) return handover(i, Expect::Value);
      i = end;
      goto afterValue;
    case kObject:
      kinds_.push(true);
      ++i;
      goto objectStart;
    case kArray:
      kinds_.push(false);
      ++i;
      goto arrayStart;
    case kTrue:
      if (std::memcmp(p_ + i, "true", 4) != 0) return handover(i, Expect::Value);
      i += 4;
      goto afterValue;
    case kFalse:
      if (std::memcmp(p_ + i, "false", 5) != 0) return handover(i, Expect::Value);
      i += 5;
      goto afterValue;
    case kNull:
      if (std::memcmp(p_ + i, "null", 4) != 0) return handover(i, Expect::Value);
      i += 4;
      goto afterValue;
    default:
      return handover(i, Expect::Value);
  }

arrayStart:  // just past '['
  integerRuns = true;
  if (i >= limit_) return handover(i, Expect::ArrayStart);
  c = static_cast<unsigned char>(p_[i]);
  if (isBlank(c)) {
    while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    goto arrayStart;
  }
  if (c == ']') goto close;

element:  // at an array element's first byte
  if (i >= limit_) return handover(i, Expect::Element);
  c = static_cast<unsigned char>(p_[i]);
  // The writers' dense elements, one after another: an element the bulk
  // paths do not take is read as any value.
  if (c == '[') {
    while (true) {
      end = read_.integerList(i);
      if (!end || load16(p_ + end) != pair(',', ' ') || p_[end + 2] != '[' || end + 2 >= limit_) break;
      i = end + 2;
    }
    if (!end) goto value;
    i = end;
    goto afterValue;
  }
  if (c == '{') {
    while (true) {
      end = shaped ? read_.matchShape(i, shape_) : 0;
      if (!end) {
        end = read_.learnShape(i, shape_);
        shaped = end != 0;
        if (!end) break;
      }
      if (load16(p_ + end) != pair(',', ' ') || p_[end + 2] != '{' || end + 2 >= limit_) break;
      i = end + 2;
    }
    if (!end) goto value;
    i = end;
    goto afterValue;
  }
  if (c == '-' || isDigit(c)) {
    end = read_.numberEnd(i);
    if (!end) return handover(i, Expect::Element);
    if (integerRuns && load16(p_ + end) == pair(',', ' ') && isDigit(static_cast<unsigned char>(p_[end + 2]))) {
      i = read_.integerRun(end + 2);
      // An array whose numbers are no run of integers (decimals) takes them
      // one at a time.
      integerRuns = i != end + 2;
      goto element;
    }
    i = end;
    goto afterValue;
  }
  goto value;

objectStart:  // just past '{'
  if (i >= limit_) return handover(i, Expect::ObjectStart);
  c = static_cast<unsigned char>(p_[i]);
  if (isBlank(c)) {
    while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    goto objectStart;
  }
  if (c == '}') goto close;

key:  // where a member's name must start
  if (i >= limit_ || p_[i] != '"') return handover(i, Expect::Key);
  end = read_.stringEnd(i);
  if (!end) return handover(i, Expect::Key);
  i = end;
  // The writers' `": ` first.
  if (load16(p_ + i) == pair(':', ' ') && static_cast<unsigned char>(p_[i + 2]) > ' ') {
    i += 2;
    goto value;
  }
  while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
  if (i >= limit_ || p_[i] != ':') return handover(i, Expect::Colon);
  ++i;
  while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
  goto value;

afterValue:  // just past a value, inside a container (or the document)
  if (kinds_.depth() == 0) return handover(i, Expect::End);
  if (i >= limit_) return handover(i, Expect::AfterValue);
  c = static_cast<unsigned char>(p_[i]);
  if (c == ',') {
    // The writers' ", " first.
    if (p_[i + 1] == ' ' && static_cast<unsigned char>(p_[i + 2]) > ' ') {
      i += 2;
    } else {
      ++i;
      while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    }
    if (kinds_.inObject()) goto key;
    goto element;
  }
  if (isBlank(c)) {
    while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    goto afterValue;
  }
  if (c != '}' && c != ']') return handover(i, Expect::AfterValue);

close:  // at a closer (c): the innermost open container's, if of its kind
  if ((c == '}') != kinds_.inObject()) return handover(i, Expect::AfterValue);
  kinds_.pop();
  ++i;
  goto afterValue;
}

#endif

// ---- Guarded ----------------------------------------------------------------

ScanStop GrammarScan::guarded(size_t i, Expect expect) {
  unsigned char c = 0;
  const auto blanks = [&] {
    while (isBlank(at(i))) ++i;
  };
  blanks();
  switch (expect) {
    case Expect::Value:
    case Expect::Element:
      goto value;
    case Expect::ArrayStart:
      goto arrayStart;
    case Expect::Key:
      goto key;
    case Expect::ObjectStart:
      goto objectStart;
    case Expect::Colon:
      goto colon;
    case Expect::AfterValue:
      goto afterValue;
    case Expect::End:
      goto end;
  }

value:  // at a value's first byte
  c = at(i);
  switch (kValueStarts[c]) {
    case kString: {
      ScanStop stop{};
      i = guardedString(i, stop);
      if (i == npos) return stop;
      goto afterValue;
    }
    case kNumber: {
      size_t j = i + (at(i) == '-');
      const auto digits = [&] {
        const size_t from = j;
        while (isDigit(at(j))) ++j;
        return j - from;
      };
      const bool zero = at(j) == '0';
      const size_t whole = digits();
      if (zero && whole > 1) return fault(i);
      if (whole == 0) return tokenFault(i, j);  // a number holds no quote or bracket
      if (at(j) == '.') {
        ++j;
        if (digits() == 0) return tokenFault(i, j);
      }
      if ((at(j) | 0x20) == 'e') {
        ++j;
        if (at(j) == '+' || at(j) == '-') ++j;
        if (digits() == 0) return tokenFault(i, j);
      }
      i = j;
      goto afterValue;
    }
    case kObject:
      kinds_.push(true);
      ++i;
      goto objectStart;
    case kArray:
      kinds_.push(false);
      ++i;
      goto arrayStart;
    case kTrue:
    case kFalse:
    case kNull: {
      const std::string_view word = c == 't' ? "true" : c == 'f' ? "false" : "null";
      for (size_t k = 1; k < word.size(); ++k)
        if (at(i + k) != static_cast<unsigned char>(word[k])) return tokenFault(i, i + k);
      i += word.size();
      goto afterValue;
    }
    default:
      return fault(i);
  }

arrayStart:  // just past '['
  blanks();
  c = at(i);
  if (c == ']') goto close;
  goto value;

objectStart:  // just past '{'
  blanks();
  c = at(i);
  if (c == '}') goto close;

key:  // where a member's name must start
  blanks();
  if (at(i) != '"') return fault(i);
  {
    ScanStop stop{};
    i = guardedString(i, stop);
    if (i == npos) return stop;
  }

colon:  // after a member's name
  blanks();
  if (at(i) != ':') return fault(i);
  ++i;
  blanks();
  goto value;

afterValue:  // just past a value, inside a container (or the document)
  if (kinds_.depth() == 0) goto end;
  blanks();
  c = at(i);
  if (c == ',') {
    ++i;
    blanks();
    if (kinds_.inObject()) goto key;
    goto value;
  }
  if (c != '}' && c != ']') return fault(i);

close:  // at a closer (c): the innermost open container's, if of its kind
  if ((c == '}') != kinds_.inObject()) return fault(i);
  kinds_.pop();
  ++i;
  goto afterValue;

end:  // past the document: blanks only
  blanks();
  if (i == n_) return {i, ScanStop::Whole, Expect::End};
  return fault(i);
}

size_t GrammarScan::guardedString(size_t i, ScanStop& stop) const {
  size_t j = i + 1;
  while (true) {
    const unsigned char b = at(j);
    if (j >= n_ || b < 0x20) break;
    if (b == '"') return j + 1;
    if (b != '\\') {
      ++j;
      continue;
    }
    const unsigned char e = at(j + 1);
    if (kShortEscapes[e]) {
      j += 2;
      continue;
    }
    size_t hex = 0;
    while (e == 'u' && hex < 4 && kHexDigits[at(j + 2 + hex)]) ++hex;
    if (hex == 4) {
      j += 6;
      continue;
    }
    // An escape the text's end cuts breaks it there.
    if (j + 1 >= n_ || (e == 'u' && j + 2 + hex >= n_)) j = n_;
    break;
  }
  stop = fault(j);
  return npos;
}

}  // namespace

// ---- Check ------------------------------------------------------------------

size_t jsonGrammarFault(std::string_view text) {
  const ScanStop stop = GrammarScan(text).scan();
  return stop.kind == ScanStop::Whole ? npos : stop.at;
}

JsonGrammarCheck::~JsonGrammarCheck() { wait(); }

void JsonGrammarCheck::wait() {
  if (thread_.joinable()) thread_.join();
}

void JsonGrammarCheck::start(std::string_view text, std::function<void()> first) {
  wait();
  if (text.size() >= kThreadedBytes) {
    try {
      thread_ = std::thread([this, text, first = std::move(first)] {
        if (first) first();
        wellFormed_ = jsonGrammarFault(text) == npos;
      });
      return;
    } catch (const std::system_error&) {
      // No thread to be had: the check runs here.
    }
  }
  wellFormed_ = jsonGrammarFault(text) == npos;
}

bool JsonGrammarCheck::wellFormed() {
  wait();
  return wellFormed_;
}

}  // namespace vk
