// The object items and settings of a project text that is not whole. A
// lost or stray bracket re-pairs every bracket after it, so the items the
// bracket table gives past the damage are no objects of the file: each
// object is found and judged on its own instead. The writer puts every
// object between a line "    {" and a line "    }" (or "    },"), with every
// line inside it indented further and no raw line break in a string, and
// ends the array with "  ]" and the document's "}"; those lines delimit the
// objects wherever the damage lies, and the array's line is found though
// a byte of it is damaged. The settings before the objects are judged one
// by one (project_reader_settings.cpp). A text in another layout keeps the
// items that end before its first fault.
#include <algorithm>
#include <unordered_set>

#include "model/hierarchy.h"
#include "persistence/project_internal.h"

namespace vk {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kIndent = "    ";

// Where an object's brace stands on a line of its own, after `rest` would
// end the line (any text when `rest` is empty): four bytes in, or one to
// either side where a damage put a byte in or took one out before it. The
// bytes before it are no object's, so one of them may be another byte, and
// a line break put in among them leaves the line before it all blanks
// (`blanksBefore` of them; npos when it is not such a line). npos when the
// line is no such line. No line inside an object is this short.
template <class Rest>
size_t braceColumn(std::string_view line, char brace, size_t blanksBefore, Rest&& rest) {
  line = trimmedLine(line);
  const auto strayBytes = [&](size_t at) {
    return std::count_if(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(at), [](char c) { return c != ' '; });
  };
  for (const size_t at : {size_t{4}, size_t{5}, size_t{3}}) {
    if (at < line.size() && line[at] == brace && strayBytes(at) <= 1 && rest(line.substr(at + 1))) return at;
  }
  if (blanksBefore == npos || blanksBefore >= 4) return npos;
  const size_t at = 4 - blanksBefore;
  return at < line.size() && line[at] == brace && strayBytes(at) == 0 && rest(line.substr(at + 1)) ? at : npos;
}

size_t openerColumn(std::string_view line, size_t blanksBefore) {
  return braceColumn(line, '{', blanksBefore, [](std::string_view rest) { return rest.empty(); });
}

// An object's closing line: "    }" or "    },", where the next object's
// opening brace (or the array's closing line) may follow on the same line
// when the line break between them was lost or written over, and one stray
// byte may stand before or after the comma.
size_t closerColumn(std::string_view line, size_t blanksBefore, bool& opensNext) {
  opensNext = false;
  return braceColumn(line, '}', blanksBefore, [&](std::string_view rest) {
    opensNext = rest.ends_with('{');
    if (opensNext || rest.ends_with(']')) rest.remove_suffix(1);
    const size_t comma = rest.find(',');
    const auto stray = std::count_if(rest.begin(), rest.end(), [](char c) { return !isLineBlank(c); });
    return stray <= 1 + (comma != npos);
  });
}

bool holdsText(std::string_view text) {
  for (const char c : text)
    if (!isLineBlank(c) && c != ',') return true;
  return false;
}

// Text a damaged object left behind on a line: anything but blanks and
// commas on a line indented as an object's inner lines (at least four
// blanks; the array's damaged closing line is not an object's).
bool holdsObjectText(std::string_view line) { return line.starts_with(kIndent) && holdsText(line); }

// Whether the line is one of an object's members in the writer's layout:
// six blanks, then its key. A "{" line deeper in an object (a modifier's
// entry) is followed by deeper lines, so it never passes for an object's
// opening line, whatever a damage did to the lines around it.
bool isMemberLine(std::string_view line) {
  return line.starts_with("      ") && line.size() > 6 && !isLineBlank(line[6]);
}

// The members the writer writes for every object, in its order.
constexpr std::string_view kObjectMembers[] = {
    "id", "name", "kind", "collectionId", "parentId", "visible", "locked", "importedMeshReadOnly",
    "importedMeshConvertedEditable", "importedMeshSafeSelectionOnly", "importedMeshEditSafety",
    "importedAssetSourcePath", "importedAssetOriginalName", "importedAssetSourceKind", "importedAssetImportReport",
    "importedAssetWarnings", "importedAssetLoadedFromProject", "importedAssetMissingOnLoad", "objectCapsuleId",
    "objectCapsuleLabel", "objectCapsuleNote", "transform", "material", "materialSlots", "mesh", "meshData",
    "curveData", "modifierStack", "camera", "light", "transformAnimation", "cameraAnimation", "lightAnimation"};

// Whether a well-formed object text holds at its own level exactly the
// members the writer writes for an object, in its order. A damage can leave
// an object well-formed and still not the file's: a quote or bracket in its
// name ends it early, a stray brace closes an inner block early and moves
// that block's members up to the object's level.
bool holdsWritersMembers(std::string_view item) {
  size_t members = 0;
  int depth = 0;
  for (size_t i = 0; i < item.size(); ++i) {
    const char c = item[i];
    if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      --depth;
    } else if (c == '"') {
      const size_t start = i + 1;
      // The text is well-formed: a quote after an odd run of backslashes
      // is escaped.
      for (i = item.find('"', start); i != npos; i = item.find('"', i + 1)) {
        size_t backslashes = 0;
        while (item[i - 1 - backslashes] == '\\') ++backslashes;
        if (backslashes % 2 == 0) break;
      }
      if (i == npos) return false;
      if (depth != 1) continue;
      const size_t colon = json_detail::skipSpace(item, i + 1);
      if (colon >= item.size() || item[colon] != ':') continue;
      if (members == std::size(kObjectMembers) || item.substr(start, i - start) != kObjectMembers[members]) return false;
      ++members;
    }
  }
  return members == std::size(kObjectMembers);
}

// The writer's line that opens the "objects" array, with the line breaks
// around it.
constexpr std::string_view kArrayLine = "\n  \"objects\": [\n";

// Whether `a` is `b`, or would be with one byte put in, taken out or
// written over.
bool withinOneEdit(std::string_view a, std::string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return false;
  size_t i = 0;
  while (i < a.size() && a[i] == b[i]) ++i;
  if (i == a.size()) return true;
  return a.size() == b.size() ? a.substr(i + 1) == b.substr(i + 1) : a.substr(i) == b.substr(i + 1);
}

// Just past `pattern` when the text from `at` is the pattern, or would be
// with one byte put in, taken out or written over; npos otherwise.
size_t endOfNearMatch(std::string_view text, size_t at, std::string_view pattern) {
  if (at > text.size()) return npos;
  const std::string_view from = text.substr(at);
  size_t i = 0;
  while (i < pattern.size() && i < from.size() && from[i] == pattern[i]) ++i;
  if (i == pattern.size()) return at + i;
  // A text cut inside the pattern has no byte past the cut.
  const std::string_view tail = pattern.substr(i + 1), next = from.substr(std::min(i + 1, from.size()));
  if (next.starts_with(tail)) return at + pattern.size();                              // written over
  if (from.substr(i).starts_with(tail)) return at + pattern.size() - 1;               // taken out
  if (next.starts_with(pattern.substr(i))) return at + pattern.size() + 1;            // put in
  return npos;
}

// Where the writer's array line lies: `lineStart` at the line break before
// it, `scanFrom` just past the line break after it (or where that break
// was), `bracketEnd` just past its '[' when the line is whole. A damage of
// one byte on the line or on the line breaks around it leaves the rest of
// it to be found. lineStart is npos when the text has no such line.
struct ArrayLine {
  size_t lineStart = npos, scanFrom = npos, bracketEnd = npos;
};
ArrayLine writersArrayLine(std::string_view text) {
  constexpr std::string_view kWhole = kArrayLine.substr(0, kArrayLine.size() - 1);
  for (size_t at = text.find(kWhole); at != npos; at = text.find(kWhole, at + 1)) {
    if (trimmedLine(lineAt(text, at + 1)) == kWhole.substr(1)) return {at, at + kWhole.size(), at + kWhole.size()};
  }
  // Either half of the line is whole when one byte is damaged.
  const size_t half = kArrayLine.size() / 2;
  size_t best = npos, bestEnd = npos;
  const auto tryAt = [&](size_t at) {
    const size_t end = endOfNearMatch(text, at, kArrayLine);
    if (end != npos && at < best) best = at, bestEnd = end;
  };
  if (const size_t at = text.find(kArrayLine.substr(0, half)); at != npos) tryAt(at);
  if (const size_t at = text.find(kArrayLine.substr(half)); at != npos && at + 1 >= half) {
    for (const size_t back : {half - 1, half, half + 1})
      if (at >= back) tryAt(at - back);
  }
  return {best, bestEnd, npos};
}

// Whether the line at `begin` is the writer's end of the "objects" array:
// "  ]" with the document's closing "}" on the next line. Nothing inside an
// object's text looks like those two lines, so no damage inside an object
// ends the array early; a text whose end was damaged or cut runs to its end.
bool endsArray(std::string_view text, size_t begin, std::string_view line) {
  if (trimmedLine(line) != "  ]" || begin + line.size() >= text.size()) return false;
  return trimmedLine(lineAt(text, begin + line.size() + 1)) == "}";
}

// Walks the array's lines once. An object opens at a line "    {" that a
// member line follows (or the text's end, cut there). Its range runs from
// there to the last closing line before the next opening line; the object is
// the longest well-formed text from its brace to one of those closers, which
// two grammar scans find: a range holding the next object's closer (its own
// opening or first member line damaged) still keeps the object. Each run of
// text outside kept objects counts one damaged object, each opening line
// without a kept object another.
class LayoutScan {
 public:
  LayoutScan(std::string_view text, size_t limit, DamagedObjectItems& out) : text_(text), limit_(limit), out_(out) {}

  // Feeds the lines from `from` on (the first from there to its end); false
  // when no object's opening line was met.
  bool scan(size_t from) {
    size_t blanksBefore = npos;
    for (size_t begin = from; begin < text_.size();) {
      const std::string_view line = lineAt(text_, begin);
      if (endsArray(text_, begin, line) || out_.items.size() > limit_) break;
      feed(begin, line, blanksBefore);
      blanksBefore = !line.empty() && trimmedLine(line).find_first_not_of(' ') == npos ? line.size() : npos;
      begin += line.size() + 1;
    }
    if (opener_ != npos) closeRange();
    if (stray_) ++out_.leftOut;
    return sawOpener_;
  }

 private:
  void feed(size_t begin, std::string_view line, size_t blanksBefore) {
    bool opensNext = false;
    const bool opensObject = objectFollows(begin + line.size());
    const size_t opener = opensObject ? openerColumn(line, blanksBefore) : npos;
    const size_t closer = opener == npos ? closerColumn(line, blanksBefore, opensNext) : npos;
    if (opener != npos) {
      open(begin + opener);
    } else if (closer != npos) {
      if (opener_ == npos) {
        stray_ = true;
      } else {
        lastCloser_ = begin + closer;
        afterCloser_ = false;
      }
      if (opensNext && opensObject) open(begin + trimmedLine(line).size() - 1);
    } else if (holdsObjectText(line)) {
      if (opener_ == npos) stray_ = true;
      afterCloser_ = true;
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
  }

  // Whether the line after the one ending at `lineEnd` is an object's
  // first member, or the text ends where that line could still become one
  // (the document's last "}" with no line break after it cannot).
  bool objectFollows(size_t lineEnd) const {
    if (lineEnd >= text_.size()) return true;
    const std::string_view next = lineAt(text_, lineEnd + 1);
    const bool cut = lineEnd + 1 + next.size() >= text_.size();
    return isMemberLine(next) || (cut && leadingBlanks(next) >= std::min<size_t>(next.size(), 6));
  }

  std::string_view upTo(size_t closer) const { return text_.substr(opener_, closer + 1 - opener_); }

  void closeRange() {
    const size_t fault = lastCloser_ == npos ? 0 : jsonGrammarFault(upTo(lastCloser_));
    size_t closer = lastCloser_;
    bool textAfter = afterCloser_;
    if (fault != npos) {
      // The object may have ended at an earlier closer: the text after it
      // is then where the scan of the whole range first failed.
      closer = lastCloser_ == npos ? npos : lastCloserBefore(opener_ + fault);
      if (closer != npos && jsonGrammarFault(upTo(closer)) != npos) closer = npos;
      textAfter = textAfter || objectTextBetween(closer, lastCloser_);
    }
    // A damaged object was left out when none was kept, or object text
    // follows the one kept (stray closers after it are no object's).
    const bool kept = closer != npos && holdsWritersMembers(upTo(closer));
    if (kept) out_.items.push_back(upTo(closer));
    out_.leftOut += !kept || textAfter;
    opener_ = npos;
  }

  // Whether a line between the lines of the braces at `from` and `to`
  // holds object text.
  bool objectTextBetween(size_t from, size_t to) const {
    for (size_t begin = text_.find('\n', from) + 1; begin != 0 && begin < to;) {
      const std::string_view line = lineAt(text_, begin);
      if (begin + line.size() >= to) break;
      if (holdsObjectText(line)) return true;
      begin += line.size() + 1;
    }
    return false;
  }

  // The brace of the last closing line of the open range before `limit`.
  size_t lastCloserBefore(size_t limit) const {
    size_t found = npos;
    for (size_t begin = text_.find('\n', opener_) + 1; begin != 0 && begin < limit;) {
      const std::string_view line = lineAt(text_, begin);
      bool opensNext = false;
      const size_t closer = closerColumn(line, npos, opensNext);
      if (closer != npos && begin + closer < limit) found = begin + closer;
      begin += line.size() + 1;
    }
    return found;
  }

  std::string_view text_;
  size_t limit_;
  DamagedObjectItems& out_;
  size_t opener_ = npos;      // the open range's brace
  size_t lastCloser_ = npos;  // the brace of its last closing line
  bool afterCloser_ = false;  // object text after that line
  bool stray_ = false;        // object text outside every range since the last one
  bool sawOpener_ = false;
};

// Whether an array item may end at text[at]: the array's closer (or the
// document's at the text's end, the array's lost), or the next item's brace
// (or, after the comma, its first member "id" when the brace was lost),
// with at most one stray byte among them; or the end of a text `cut` there,
// whole up to its end. An object that a stray closer ended early is
// followed by one of its own members instead.
bool itemBoundaryAt(std::string_view text, size_t at, bool cut) {
  for (bool comma = false, stray = false;; ++at) {
    at = json_detail::skipSpace(text, at);
    if (at >= text.size()) return cut;
    const char c = text[at];
    const bool documentEnds = c == '}' && json_detail::skipSpace(text, at + 1) == text.size();
    if (c == ']' || c == '{' || documentEnds || (comma && text.substr(at).starts_with("\"id\":"))) return true;
    if (c == ',' && !comma) {
      comma = true;
    } else if (!stray) {
      stray = true;
    } else {
      return false;
    }
  }
}

// Whether the text from `at` is, but for its blanks, the array's and the
// document's closers "]}", or would be with one byte put in, taken out or
// written over.
bool nearArrayEnd(std::string_view text, size_t at) {
  std::string rest;
  for (at = json_detail::skipSpace(text, at); at < text.size() && rest.size() < 4;
       at = json_detail::skipSpace(text, at + 1))
    rest += text[at];
  return !rest.empty() && withinOneEdit(rest, "]}");
}

// Whether the text ends, but for its blanks, as the writer ends a document
// ("]}}]}": the last object's last block's list, that block, the object,
// the array and the document), or would with one byte put in, taken out or
// written over.
bool nearWritersEnd(std::string_view text) {
  std::string tail;
  for (size_t i = text.size(); i > 0 && tail.size() < 6; --i)
    if (!isLineBlank(text[i - 1]) && text[i - 1] != '\n') tail.insert(tail.begin(), text[i - 1]);
  for (size_t length = 4; length <= 6 && length <= tail.size(); ++length)
    if (withinOneEdit(std::string_view(tail).substr(tail.size() - length), "]}}]}")) return true;
  return false;
}

// Whether the text's first fault (`fault`) is text after a whole document
// that holds the objects (from `objectsAt`), which no cut leaves.
bool textAfterWholeDocument(std::string_view text, size_t fault, size_t objectsAt) {
  return fault > objectsAt && fault < text.size() && jsonGrammarFault(text.substr(0, fault)) == npos;
}

// The text's last line that holds more than blanks, without its line break.
std::string_view lastLineHoldingText(std::string_view text) {
  const size_t end = text.find_last_not_of(" \t\r\n");
  if (end == npos) return {};
  const size_t begin = text.rfind('\n', end) + 1;  // 0 when there is none
  return text.substr(begin, end + 1 - begin);
}

}  // namespace

DamagedObjectItems damagedObjectItems(std::string_view text, std::string_view objects,
                                      const std::vector<std::string_view>& scannedItems, size_t limit) {
  DamagedObjectItems out;
  // The writer's array line is found by its text, since a damage anywhere
  // may have re-paired the brackets that gave `objects`.
  const ArrayLine line = writersArrayLine(text);
  if (line.lineStart != npos && LayoutScan(text, limit, out).scan(line.scanFrom)) {
    out.headerEnd = line.bracketEnd != npos ? line.bracketEnd : line.lineStart;
    out.layout = true;
    // A text cut short ends on a line of the document's body, not on its
    // closing "}" line (a byte of it damaged, or the array's closing line
    // joined to it).
    const std::string_view last = trimmedLine(lastLineHoldingText(text));
    out.endsEarly = !withinOneEdit(last, "}") && !(last.starts_with("  ]") && last.ends_with('}')) &&
                    !textAfterWholeDocument(text, jsonGrammarFault(text), line.lineStart);
    out.objectsMayFollow = out.endsEarly && last != "  ]";
    return out;
  }
  // Another layout: nothing after the first fault is told apart, so a
  // fault before the array keeps nothing. An item before the fault is kept
  // when an item boundary follows it.
  out = {};
  const size_t tableArrayAt = objects.empty() ? npos : static_cast<size_t>(objects.data() - text.data());
  const size_t fault = jsonGrammarFault(text);
  if (tableArrayAt == npos || fault < tableArrayAt) return out;
  out.headerEnd = tableArrayAt + 1;
  size_t readTo = out.headerEnd;
  for (const std::string_view item : scannedItems) {
    const auto end = static_cast<size_t>(item.data() - text.data()) + item.size();
    if (end > fault || !itemBoundaryAt(text, end, fault == text.size()) || !holdsWritersMembers(item) ||
        out.items.size() > limit)
      break;
    out.items.push_back(item);
    readTo = end;
  }
  // A well-formed start cut short keeps every object before the cut; one the
  // cut fell in is left out, and what came after the cut is not in the text.
  // (A string whose closing quote was lost runs on to the end as a cut one.)
  if (fault == text.size()) {
    const size_t next = json_detail::skipSpace(text, readTo);
    out.endsEarly = true;
    out.objectsMayFollow = next == text.size() || text[next] != ']';
    out.leftOut = text.find('{', readTo) != npos;
    return out;
  }
  // Nothing was left out only when no more than the array's and the
  // document's closers follow the last object read, one damaged byte among
  // them: any object holds more. A text damaged before its end was cut
  // short too when that end is not the writer's.
  out.restLeftOut = fault != npos && !nearArrayEnd(text, readTo);
  out.endsEarly = out.objectsMayFollow = !nearWritersEnd(text) && !textAfterWholeDocument(text, fault, tableArrayAt);
  return out;
}

std::string withLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t from = 0; from < text.size();) {
    const size_t cr = std::min(text.find('\r', from), text.size());
    out.append(text.substr(from, cr - from));
    if (cr + 1 < text.size() ? text[cr + 1] != '\n' : cr + 1 == text.size()) out += '\n';
    from = cr + 1;
  }
  return out;
}

bool sceneNameDamaged(const JsonObjectIndex& doc) {
  if (doc.find("scene")) return false;
  return std::any_of(doc.members.begin(), doc.members.end(), [](const JsonMember& m) {
    return m.value.starts_with('{') && withinOneEdit(m.key, "scene");
  });
}

std::string damagedTextHeader(std::string_view header, bool layout, size_t& settingsLeftOut) {
  settingsLeftOut = 0;
  std::string whole(header);
  whole += "]}";
  if (header.ends_with('[') && jsonGrammarFault(whole) == npos) {
    // A scene block whose name is damaged leaves its settings to be found by
    // their keys in the writer's layout; another layout tells none apart.
    const JsonObjectIndex doc = indexJsonObject(whole);
    if (!layout || doc.find("scene")) {
      settingsLeftOut = settingsLeftAtDefault(doc);
      return whole;
    }
  }
  // Each setting is judged on its own text, and only the whole ones are
  // kept: a damaged one takes its default, never a value read through
  // brackets the damage re-paired.
  return layout ? damagedLayoutSettings(header, settingsLeftOut) : std::string{};
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
