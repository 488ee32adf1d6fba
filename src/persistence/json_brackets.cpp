// The bracket table and the container skippers: where each '{' and '['
// outside strings closes, found once per text (a large text's in two parts
// at once, the second on its grammar check's thread) and looked up by the
// member index and the array walks; the plain scans that find a closer when
// no table is there; and the object counts that need only brackets.
//
// Sections:
//   - Skipping   visitBrackets (sixteen bytes a step), containerEnd with and
//                without a table, containerValueEnd, jsonContainerEnd
//   - Recording  BracketRecorder and the part it absorbs, recordAllBrackets
//                (64 bytes a step), buildJsonBracketTable alone and in two
//                parts beside the check, jsonChildContainers
//   - Counting   countObjectsToCloser, countJsonObjectElements
#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <new>

#include "persistence/json.h"
#include "persistence/json_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {
namespace {

// ---- Skipping ---------------------------------------------------------------

// Bytes that matter to the bracket skipper.
constexpr std::array<bool, 256> makeTable(std::string_view chars) {
  std::array<bool, 256> table{};
  for (char c : chars) table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr auto kContainerBytes = makeTable("\"{}[]");

// The first index from `i` holding a quote or a bracket; t.size() when there
// is none. Sixteen bytes at a time where SSE2 is there: number-heavy arrays
// are mostly bytes that matter to no scanner.
inline size_t nextQuoteOrBracket(std::string_view t, size_t i) {
  const size_t n = t.size();
  const char* p = t.data();
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i lower = _mm_set1_epi8(0x20);  // folds '[' to '{' and ']' to '}'
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i folded = _mm_or_si128(v, lower);
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, quote),
                                     _mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i < n && !kContainerBytes[static_cast<unsigned char>(p[i])]) ++i;
  return i;
}

using json_detail::stringEnd;
inline size_t stringEnd(std::string_view t, size_t i) {
  bool escaped = false;
  return stringEnd(t, i, escaped);
}

// Byte at a time from `i` (outside strings): visit(i, c) for each bracket
// until it returns true or `stop` is passed. Returns where it ended (outside
// strings), the visited bracket's index when visit stopped it (`stopped`),
// or npos when the text ended inside a string.
template <class Visit>
size_t visitBracketBytes(std::string_view t, size_t i, size_t stop, bool& stopped, Visit&& visit) {
  while (i < stop) {
    i = nextQuoteOrBracket(t, i);
    if (i >= t.size()) return i;
    const char c = t[i];
    if (c == '"') {
      i = stringEnd(t, i + 1);
      if (i == std::string_view::npos) return i;
      continue;
    }
    if (visit(i, c)) {
      stopped = true;
      return i;
    }
    ++i;
  }
  return i;
}

#if defined(__SSE2__)
// Bit k is the parity of the set bits at or below k: 1 from an opening quote
// up to (not including) its closing one.
inline uint64_t prefixParity(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  x ^= x << 32;
  return x;
}
#endif

// Calls visit(i, c) for every bracket outside strings from `i` (outside a
// string) until it returns true; gives that bracket's index, or npos when the
// text ends first. Sixteen bytes at a time, strings found from the parity of
// their quotes, so the cost follows the brackets, not the strings; a chunk
// with a backslash takes the byte walk, which knows what a backslash escapes.
template <class Visit>
size_t visitBrackets(std::string_view t, size_t i, Visit&& visit) {
  constexpr size_t npos = std::string_view::npos;
  const size_t n = t.size();
  bool stopped = false;
#if defined(__SSE2__)
  const char* p = t.data();
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i lower = _mm_set1_epi8(0x20);
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  bool inString = false;  // the chunk at i starts inside a string
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, backslash))) {
      if (inString) {
        i = stringEnd(t, i);  // no backslash since its opening quote
        if (i == npos) return npos;
        inString = false;
      }
      i = visitBracketBytes(t, i, i + 16, stopped, visit);
      if (stopped || i == npos) return i;
      continue;
    }
    const __m128i folded = _mm_or_si128(v, lower);
    const auto quotes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)));
    const auto brackets = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close))));
    const auto strings = static_cast<uint32_t>(prefixParity(quotes) ^ (inString ? 0xFFFFu : 0u));
    for (uint32_t b = brackets & ~strings; b; b &= b - 1) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(b));
      if (visit(at, p[at])) return at;
    }
    inString = (strings >> 15) & 1u;
    i += 16;
  }
  if (inString) {
    i = stringEnd(t, i);
    if (i == npos) return npos;
  }
#endif
  i = visitBracketBytes(t, i, n, stopped, visit);
  return stopped ? i : npos;
}

// `i` is at an opening bracket; returns the index just past its match, or npos.
// Braces and brackets share one depth count, so the walk stays linear whatever
// the nesting.
size_t containerEnd(std::string_view t, size_t i) {
  size_t depth = 0;
  const size_t close = visitBrackets(t, i, [&](size_t, char c) {
    if (c == '{' || c == '[') {
      ++depth;
      return false;
    }
    return --depth == 0;
  });
  return close == std::string_view::npos ? close : close + 1;
}

// The table entry of the container opening at `pos`, or none: galloping
// forward from the previous lookup's entry, a binary search behind it.
std::optional<size_t> findSpan(const JsonBracketTable& table, uint32_t pos) {
  const auto& spans = table.spans;
  const size_t n = spans.size();
  size_t h = table.hint.entry.load(std::memory_order_relaxed);
  if (h >= n) h = 0;
  size_t lo = 0, hi = n;  // the entry sought is the first in [lo, hi) not before pos
  if (spans[h].open <= pos) {
    lo = h;
    size_t step = 1;
    while (lo + step < n && spans[lo + step].open < pos) {
      lo += step;
      step *= 2;
    }
    hi = std::min(n, lo + step + 1);
  } else {
    hi = h;
  }
  const auto it = std::lower_bound(spans.begin() + static_cast<ptrdiff_t>(lo), spans.begin() + static_cast<ptrdiff_t>(hi),
                                   pos, [](const JsonBracketTable::Span& s, uint32_t p) { return s.open < p; });
  if (it == spans.begin() + static_cast<ptrdiff_t>(hi) || it->open != pos) return std::nullopt;
  const auto entry = static_cast<size_t>(it - spans.begin());
  table.hint.entry.store(static_cast<uint32_t>(entry), std::memory_order_relaxed);
  return entry;
}

// containerEnd through the table; containers deeper than it records are
// scanned.
size_t containerEnd(std::string_view t, size_t i, const JsonBracketTable* table) {
  const char* base = table ? table->text.data() : nullptr;
  if (!table || table->spans.empty() || t.data() < base || t.data() + t.size() > base + table->text.size()) {
    return containerEnd(t, i);
  }
  const auto offset = static_cast<size_t>(t.data() - base);
  const auto entry = findSpan(*table, static_cast<uint32_t>(offset + i));
  if (!entry) return containerEnd(t, i);
  const uint32_t close = table->spans[*entry].close;
  if (close == UINT32_MAX || close >= offset + t.size()) return std::string_view::npos;
  return close - offset + 1;
}

}  // namespace

namespace json_detail {

size_t containerValueEnd(std::string_view t, size_t i, bool& closed, const JsonBracketTable* table) {
  const size_t end = containerEnd(t, i, table);
  if (end != std::string_view::npos) return end;
  closed = false;
  return t.size();
}

}  // namespace json_detail

std::optional<size_t> jsonContainerEnd(std::string_view text, size_t i, const JsonBracketTable* table) {
  const size_t end = containerEnd(text, i, table);
  if (end == std::string_view::npos) return std::nullopt;
  return end;
}

namespace {

// ---- Recording --------------------------------------------------------------

// The entries of a text's brackets from a point on (a part), recorded as if
// no container were open there: what the recorder of the brackets before it
// needs to go on as if it had recorded them one by one (BracketRecorder::
// absorb).
struct TablePart {
  std::vector<JsonBracketTable::Span> spans;
  std::vector<uint8_t> depths;  // each entry's depth within the part
  // The closers of containers open where the part starts (closers with
  // nothing open in the part), and before each how many entries the part
  // had: the entries between two of them lie inside the same containers of
  // the text before the part.
  std::vector<uint32_t> closers;
  std::vector<uint32_t> entriesBefore;
  // Containers opened at the part's own top level, before each of those
  // closers and after the last: children of the innermost container then
  // open.
  std::vector<uint32_t> topLevel{0};
};

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
  explicit BracketRecorder(TablePart& part) : spans_(part.spans), part_(&part) {}
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
    } else if (part_) {
      part_->closers.push_back(static_cast<uint32_t>(i));
      part_->entriesBefore.push_back(static_cast<uint32_t>(spans_.size()));
      part_->topLevel.push_back(0);
    }
  }
  // Goes on with the part recorded from where this recorder's brackets
  // stopped, as if its brackets came one by one: the containers open here
  // take the part's top level as their children and its closers as theirs
  // (a closer with none open is passed over), and its entries within the
  // recorded depth, counted from here, are kept.
  void absorb(const TablePart& part) {
    if (leafAt_ != kNoLeaf) push(leafAt_);
    leafAt_ = kNoLeaf;
    size_t next = 0;  // the part's first entry not yet kept or passed over
    for (size_t k = 0; k < part.topLevel.size(); ++k) {
      if (deeper_ == 0 && !stack_.empty()) stack_.back().children += part.topLevel[k];
      const size_t open = stack_.size() + deeper_;
      const size_t end = k < part.closers.size() ? part.entriesBefore[k] : part.spans.size();
      bool entered = false;
      for (; next < end; ++next) {
        if (open + part.depths[next] >= kRecordedDepth) continue;
        // As a container inside them takes its entry, the open ones take theirs first.
        if (!entered) enterOpen();
        entered = true;
        spans_.push_back(part.spans[next]);
      }
      if (k < part.closers.size()) bracket(part.closers[k], false);
    }
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
    if (deeper_ > 0) return;
    if (!stack_.empty()) {
      ++stack_.back().children;
    } else if (part_) {
      ++part_->topLevel.back();
    }
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
    enterOpen();
    spans_.push_back({open.at, UINT32_MAX, 0});
    if (part_) part_->depths.push_back(static_cast<uint8_t>(stack_.size()));
    return static_cast<uint32_t>(spans_.size() - 1);
  }
  // Gives the open containers that have no entry theirs, outermost first.
  void enterOpen() {
    size_t first = stack_.size();
    while (first > 0 && stack_[first - 1].entry == kNoEntry) --first;
    for (size_t k = first; k < stack_.size(); ++k) {
      stack_[k].entry = static_cast<uint32_t>(spans_.size());
      spans_.push_back({stack_[k].at, UINT32_MAX, 0});
      if (part_) part_->depths.push_back(static_cast<uint8_t>(k));
    }
  }

  std::vector<JsonBracketTable::Span>& spans_;
  TablePart* part_ = nullptr;  // set while recording a part
  std::vector<Open> stack_;
  size_t deeper_ = 0;
  size_t leafAt_ = kNoLeaf;  // the opener not yet on the stack
};

// Byte at a time from `i` (outside strings) until `stop` is passed; returns
// where it ended, outside strings, or npos when the text ended inside one.
size_t recordBrackets(std::string_view text, size_t i, size_t stop, BracketRecorder& recorder) {
  bool stopped = false;
  return visitBracketBytes(text, i, stop, stopped, [&](size_t at, char c) {
    recorder.bracket(at, c == '{' || c == '[');
    return false;
  });
}

#if defined(__SSE2__)
// Bit k set where block[k] equals one of the bytes (after folding with `fold`).
struct BlockMasks {
  uint64_t quotes = 0, backslashes = 0, opens = 0, closes = 0;
};
inline BlockMasks blockMasks(const char* block) {
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i lower = _mm_set1_epi8(0x20);  // folds '[' to '{' and ']' to '}'
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  BlockMasks m;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * k));
    const __m128i folded = _mm_or_si128(v, lower);
    const auto bits = [&](__m128i eq) {
      return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(eq))) << (16 * k);
    };
    m.quotes |= bits(_mm_cmpeq_epi8(v, quote));
    m.backslashes |= bits(_mm_cmpeq_epi8(v, backslash));
    m.opens |= bits(_mm_cmpeq_epi8(folded, open));
    m.closes |= bits(_mm_cmpeq_epi8(folded, close));
  }
  return m;
}

#endif

// Feeds every bracket outside strings from `from` (outside a string) to the
// recorder, up to the text's end or the string it ends inside; false in the
// second case.
bool recordAllBrackets(std::string_view text, size_t from, BracketRecorder& recorder) {
  const size_t n = text.size();
  size_t i = from;
#if defined(__SSE2__)
  // 64 bytes at a time: strings found from the parity of the quotes, so a
  // block costs the same however many strings it holds. A block with a
  // backslash takes the byte walk, which knows what a backslash escapes.
  bool inString = false;  // block i starts inside a string opened earlier
  while (i + 64 <= n) {
    // The text streams through once: ask for it a few blocks ahead, which
    // the hardware alone does not keep up with (a hint; it never faults).
    __builtin_prefetch(text.data() + i + 1024);
    const BlockMasks m = blockMasks(text.data() + i);
    if (m.backslashes) {
      if (inString) {
        i = stringEnd(text, i);  // no backslash since its opening quote
        if (i == std::string_view::npos) return false;
      }
      i = recordBrackets(text, i, i + 64, recorder);
      if (i == std::string_view::npos) return false;
      inString = false;
      continue;
    }
    const uint64_t strings = prefixParity(m.quotes) ^ (inString ? ~uint64_t{0} : 0);
    for (uint64_t brackets = (m.opens | m.closes) & ~strings; brackets; brackets &= brackets - 1) {
      const auto k = static_cast<size_t>(__builtin_ctzll(brackets));
      recorder.bracket(i + k, (m.opens >> k) & 1);
    }
    inString = (strings >> 63) != 0;
    i += 64;
  }
  if (inString) {
    i = stringEnd(text, i);
    if (i == std::string_view::npos) return false;
  }
#endif
  return recordBrackets(text, i, n, recorder) != std::string_view::npos;
}

void finishTable(JsonBracketTable& table, BracketRecorder& recorder) {
  recorder.finish();
  // Room the vector grew into beyond its entries is given back where it
  // would take more than a byte per byte of text.
  if (table.spans.capacity() * sizeof(JsonBracketTable::Span) > table.text.size()) table.spans.shrink_to_fit();
}

void recordTablePart(std::string_view text, size_t split, TablePart& part) {
  BracketRecorder recorder(part);
  recordAllBrackets(text, split, recorder);
  recorder.finish();
}

// The table of `text` from the brackets before `split` and the part from
// `split` on: takePart() gives that part, or null for the brackets to be
// recorded here. Where the text before `split` ends inside a string, the
// part (recorded from outside one) is of no use, and dropPart() is called.
template <class TakePart, class DropPart>
JsonBracketTable buildInParts(std::string_view text, size_t split, TakePart&& takePart, DropPart&& dropPart) {
  JsonBracketTable table;
  table.text = text;
  BracketRecorder recorder(table);
  if (!recordAllBrackets(text.substr(0, split), 0, recorder)) {
    dropPart();
    return buildJsonBracketTable(text);
  }
  if (const TablePart* part = takePart()) {
    recorder.absorb(*part);
  } else {
    recordAllBrackets(text, split, recorder);
  }
  finishTable(table, recorder);
  return table;
}

// Where a text large enough to be checked on a thread of its own is split
// for the table, just past the middle: after a line break, which lies
// outside every string of a well-formed text, or else between two elements
// of the writers' one-line arrays (a string could hold those bytes: the
// part is then of no use, and the table is made in one pass). npos when
// neither is near.
size_t tableSplit(std::string_view text) {
  constexpr size_t npos = std::string_view::npos;
  if (text.size() < JsonGrammarCheck::kThreadedBytes || text.size() >= UINT32_MAX) return npos;
  const size_t middle = text.size() / 2;
  const std::string_view near = text.substr(middle, size_t{1} << 16);
  if (const size_t at = near.find('\n'); at != npos) return middle + at + 1;
  for (const std::string_view between : {"}, {", "], ["})
    if (const size_t at = near.find(between); at != npos) return middle + at + 3;
  return npos;
}

// The part the check's thread records while the builder records the
// brackets before it. Whoever comes to it first takes it: a thread that
// starts late leaves it to the builder rather than keep it waiting.
class SharedTablePart {
 public:
  // On the check's thread. Out of memory, it leaves the part to the builder.
  void record(std::string_view text, size_t split) {
    int free = kFree;
    if (!state_.compare_exchange_strong(free, kRecording, std::memory_order_acquire)) return;
    int done = kRecorded;
    try {
      recordTablePart(text, split, part_);
    } catch (const std::bad_alloc&) {
      part_ = TablePart{};
      done = kFailed;
    }
    state_.store(done, std::memory_order_release);
    state_.notify_one();
  }
  // On the builder's: the part once recorded, or null when it is the
  // builder's to record.
  const TablePart* take() {
    int free = kFree;
    if (state_.compare_exchange_strong(free, kTaken, std::memory_order_acquire)) return nullptr;
    state_.wait(kRecording, std::memory_order_acquire);
    taken_ = state_.load(std::memory_order_acquire) == kRecorded;
    return taken_ ? &part_ : nullptr;
  }
  // The builder has no use for the part: a thread not yet at it leaves it.
  void drop() {
    int free = kFree;
    state_.compare_exchange_strong(free, kTaken, std::memory_order_relaxed);
  }
  // The builder has done with the part it took: its memory goes at once,
  // not with the check's thread.
  void release() {
    if (taken_) part_ = TablePart{};
  }

 private:
  enum : int { kFree, kRecording, kRecorded, kFailed, kTaken };
  TablePart part_;
  std::atomic<int> state_{kFree};
  bool taken_ = false;  // the builder's own
};

}  // namespace

JsonBracketTable buildJsonBracketTable(std::string_view text) {
  JsonBracketTable table;
  table.text = text;
  if (text.size() >= UINT32_MAX) return table;
  BracketRecorder recorder(table);
  recordAllBrackets(text, 0, recorder);
  finishTable(table, recorder);
  return table;
}

JsonBracketTable buildJsonBracketTable(std::string_view text, JsonGrammarCheck& check) {
  const size_t split = tableSplit(text);
  if (split == std::string_view::npos) {
    JsonBracketTable table = buildJsonBracketTable(text);
    check.start(text);
    return table;
  }
  // The brackets after the split are recorded on the check's thread, at the
  // same time as those before it here, before the check starts there.
  const auto shared = std::make_shared<SharedTablePart>();
  check.start(text, [shared, text, split] { shared->record(text, split); });
  const auto take = [&] { return shared->take(); };
  const auto drop = [&] { shared->drop(); };
  JsonBracketTable table = buildInParts(text, split, take, drop);
  shared->release();
  return table;
}

JsonBracketTable buildJsonBracketTable(std::string_view text, bool& wellFormed) {
  JsonGrammarCheck check;
  JsonBracketTable table = buildJsonBracketTable(text, check);
  wellFormed = check.wellFormed();
  return table;
}

JsonBracketTable buildJsonBracketTableInParts(std::string_view text, size_t split) {
  if (text.size() >= UINT32_MAX || split > text.size()) return buildJsonBracketTable(text);
  TablePart part;
  recordTablePart(text, split, part);
  return buildInParts(text, split, [&] { return &part; }, [] {});
}

std::optional<uint32_t> jsonChildContainers(const JsonBracketTable* table, std::string_view contents) {
  if (!table || table->spans.empty() || contents.data() <= table->text.data() ||
      contents.data() + contents.size() > table->text.data() + table->text.size())
    return std::nullopt;
  const auto open = static_cast<uint32_t>(contents.data() - table->text.data() - 1);
  const auto entry = findSpan(*table, open);
  if (!entry) return std::nullopt;
  return table->spans[*entry].children;
}

// ---- Counting ---------------------------------------------------------------

namespace json_detail {

// Elements start at depth 0 and tokens stop at brackets, so every '{' met at
// depth 0 outside strings begins an object element; a closer at depth 0 ends
// the walk as it ends the element walk.
size_t countObjectsToCloser(std::string_view t, size_t from, uint64_t& objects) {
  size_t depth = 0;
  bool inObject = false;  // the element being passed over is an object
  const size_t stop = visitBrackets(t, from, [&](size_t, char c) {
    if (c == '{' || c == '[') {
      if (depth++ == 0) {
        inObject = c == '{';
        objects += inObject;
      }
      return false;
    }
    if (depth == 0) return true;
    --depth;
    return false;
  });
  if (stop == std::string_view::npos && depth > 0 && inObject) --objects;
  return stop;
}

}  // namespace json_detail

uint64_t countJsonObjectElements(std::string_view contents) {
  uint64_t objects = 0;
  json_detail::countObjectsToCloser(contents, 0, objects);
  return objects;
}

}  // namespace vk
