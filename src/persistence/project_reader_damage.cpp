// The object items of a project text that is not whole. A lost or stray
// bracket re-pairs every bracket after it, so the items the bracket table
// gives past the damage are no objects of the file: each object is found
// and judged on its own instead. The writer puts every object between a
// line "    {" and a line "    }" (or "    },"), with every line inside it
// indented further and no raw line break in a string, so those lines
// delimit the objects wherever the damage lies; a text in another layout
// keeps the items that end before its first fault.
#include <algorithm>
#include <unordered_set>

#include "model/hierarchy.h"
#include "persistence/project_internal.h"

namespace vk {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kIndent = "    ";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The line without its trailing blanks (a CR of CR LF among them).
std::string_view trimmedLine(std::string_view line) {
  while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
  return line;
}

// An object's closing line: "    }" or "    },", where the next object's
// opening brace may follow on the same line when a line break was lost.
bool isCloserLine(std::string_view line, bool& opensNext) {
  line = trimmedLine(line);
  opensNext = false;
  if (!line.starts_with("    }")) return false;
  std::string_view rest = line.substr(5);
  if (rest.empty() || rest == ",") return true;
  if (!rest.starts_with(',') || !rest.ends_with('{')) return false;
  rest = rest.substr(1, rest.size() - 2);
  for (const char c : rest)
    if (!isBlank(c)) return false;
  opensNext = true;
  return true;
}

bool holdsText(std::string_view text) {
  for (const char c : text)
    if (!isBlank(c) && c != ',') return true;
  return false;
}

// Text a damaged object left behind on a line: anything but blanks and
// commas on a line indented as an object's inner lines (at least four
// blanks; the array's damaged closing line is not an object's).
bool holdsObjectText(std::string_view line) { return line.starts_with(kIndent) && holdsText(line); }

// Whether the line ends the "objects" array: its first byte that is no
// blank is a closer, at most two blanks in (the writer's "  ]"), or the
// document's own closing brace.
bool endsArray(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  return i <= 2 && i < line.size() && (line[i] == ']' || line[i] == '}');
}

// Walks the array's lines once. An object's range runs from its opening
// line to the last closing line before the next opening line; the object is
// the longest well-formed text from its brace to one of those closers, which
// two grammar scans find: a range holding the next object's closer (its own
// opening line damaged) still keeps the object. Each run of text outside
// kept objects counts one damaged object, each opening line without a kept
// object another.
class LayoutScan {
 public:
  LayoutScan(std::string_view text, size_t limit, DamagedObjectItems& out) : text_(text), limit_(limit), out_(out) {}

  // Feeds the lines from `from` on; false when no object's opening line was
  // met. `strayBefore`: object text came before that line.
  bool scan(size_t from, bool strayBefore) {
    stray_ = strayBefore;
    for (size_t begin = from; begin < text_.size();) {
      const size_t newline = text_.find('\n', begin);
      const size_t end = newline == npos ? text_.size() : newline;
      const std::string_view line(text_.data() + begin, end - begin);
      if (endsArray(line) || out_.items.size() > limit_) break;
      feed(begin, line);
      begin = end + 1;
    }
    if (opener_ != npos) closeRange();
    if (stray_) ++out_.leftOut;
    return sawOpener_;
  }

 private:
  void feed(size_t begin, std::string_view line) {
    bool opensNext = false;
    if (trimmedLine(line) == "    {") {
      open(begin + 4);
    } else if (isCloserLine(line, opensNext)) {
      if (opener_ == npos) {
        stray_ = true;
      } else {
        lastCloser_ = begin + 4;
        afterCloser_ = false;
      }
      if (opensNext) open(begin + trimmedLine(line).size() - 1);
    } else if (holdsObjectText(line)) {
      if (opener_ == npos) stray_ = true;
      afterCloser_ = true;
      rangeText_ = true;
    }
  }

  void open(size_t brace) {
    if (opener_ != npos) closeRange();
    if (stray_) ++out_.leftOut;
    stray_ = false;
    sawOpener_ = true;
    opener_ = brace;
    lastCloser_ = npos;
    afterCloser_ = false;
    rangeText_ = false;
  }

  std::string_view upTo(size_t closer) const { return text_.substr(opener_, closer + 1 - opener_); }

  void closeRange() {
    const size_t fault = lastCloser_ == npos ? 0 : jsonGrammarFault(upTo(lastCloser_));
    if (fault == npos) {
      out_.items.push_back(upTo(lastCloser_));
      out_.leftOut += afterCloser_;
    } else {
      // The object may have ended at an earlier closer: the text after it
      // is then where the scan of the whole range first failed.
      const size_t closer = lastCloser_ == npos ? npos : lastCloserBefore(opener_ + fault);
      if (closer != npos && jsonGrammarFault(upTo(closer)) == npos) out_.items.push_back(upTo(closer));
      // An opening line alone (a closer overwritten with a brace) held no object.
      out_.leftOut += lastCloser_ != npos || rangeText_;
    }
    opener_ = npos;
  }

  // The brace of the last closing line of the open range before `limit`.
  size_t lastCloserBefore(size_t limit) const {
    size_t found = npos;
    for (size_t begin = text_.find('\n', opener_) + 1; begin != 0 && begin < limit;) {
      const size_t newline = text_.find('\n', begin);
      const size_t end = newline == npos ? text_.size() : newline;
      bool opensNext = false;
      if (begin + 4 < limit && isCloserLine(text_.substr(begin, end - begin), opensNext)) found = begin + 4;
      begin = end + 1;
    }
    return found;
  }

  std::string_view text_;
  size_t limit_;
  DamagedObjectItems& out_;
  size_t opener_ = npos;      // the open range's brace
  size_t lastCloser_ = npos;  // the brace of its last closing line
  bool afterCloser_ = false;  // object text after that line
  bool rangeText_ = false;    // object text anywhere in the range
  bool stray_ = false;        // object text outside every range since the last one
  bool sawOpener_ = false;
};

// Whether an array item may end at text[at]: the array's closer, or the
// next item's brace, after a comma or (the comma lost) without one.
bool itemBoundaryAt(std::string_view text, size_t at) {
  at = json_detail::skipSpace(text, at);
  if (at < text.size() && text[at] == ',') at = json_detail::skipSpace(text, at + 1);
  return at < text.size() && (text[at] == ']' || text[at] == '{');
}

}  // namespace

DamagedObjectItems damagedObjectItems(std::string_view text, std::string_view objects,
                                      const std::vector<std::string_view>& scannedItems, size_t limit) {
  DamagedObjectItems out;
  if (objects.empty()) return out;
  const auto arrayAt = static_cast<size_t>(objects.data() - text.data());
  const size_t lineEnd = text.find('\n', arrayAt);
  const bool textAfterBracket = holdsText(text.substr(arrayAt + 1, lineEnd - std::min(lineEnd, arrayAt + 1)));
  if (lineEnd != npos && LayoutScan(text, limit, out).scan(lineEnd + 1, textAfterBracket)) return out;
  // Another layout: nothing after the first fault is told apart. A fault
  // before the array left its brackets paired (or the array unfound): each
  // item is kept when it is whole on its own. Otherwise an item before the
  // fault is kept when an item boundary follows it: a stray closer ends an
  // object early into a whole head, which a member, not an item, follows.
  out = {};
  const size_t fault = jsonGrammarFault(text);
  const bool faultBefore = fault < arrayAt;
  for (const std::string_view item : scannedItems) {
    const auto end = static_cast<size_t>(item.data() - text.data()) + item.size();
    if (faultBefore ? jsonGrammarFault(item) != npos : end > fault || !itemBoundaryAt(text, end)) {
      if (faultBefore) {
        ++out.leftOut;
        continue;
      }
      break;
    }
    if (out.items.size() > limit) break;
    out.items.push_back(item);
  }
  const bool closedBefore = objects.size() > 1 && objects.ends_with(']') && arrayAt + objects.size() <= fault;
  out.restLeftOut = !faultBefore && fault != npos && !closedBefore;
  return out;
}

void clearParentsLeftOut(Scene& scene) {
  std::unordered_set<std::wstring_view> ids;
  ids.reserve(scene.objects.size() * 2);
  for (const Object& o : std::as_const(scene.objects)) ids.insert(o.id);
  for (size_t k = 0; k < scene.objects.size(); ++k) {
    const Object& o = std::as_const(scene.objects)[k];
    if (!o.parentId.empty() && !ids.contains(o.parentId)) scene.objects[k].parentId.clear();
  }
}

}  // namespace vk
