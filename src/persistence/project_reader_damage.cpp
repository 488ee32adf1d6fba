// The object items and settings of a project text that is not whole. A
// lost or stray bracket re-pairs every bracket after it, so the items the
// bracket table gives past the damage are no objects of the file: each
// object is found and judged on its own instead. The writer puts every
// object between a line "    {" and a line "    }" (or "    },"), with every
// line inside it indented further and no raw line break in a string, and
// ends the array with "  ]" and the document's "}"; those lines delimit the
// objects wherever the damage lies. The settings before the objects are
// judged member by member the same way. A text in another layout keeps the
// items that end before its first fault.
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

// Where an object's brace stands on a line of its own, after `rest` would
// end the line (any text when `rest` is empty): four bytes in, or one to
// either side where a damage put a byte in or took one out before it; the
// bytes before it are no object's, so they may be damaged too. npos when
// the line is no such line. No line inside an object is this short.
template <class Rest>
size_t braceColumn(std::string_view line, char brace, Rest&& rest) {
  line = trimmedLine(line);
  for (const size_t at : {size_t{4}, size_t{5}, size_t{3}}) {
    if (at < line.size() && line[at] == brace && rest(line.substr(at + 1))) return at;
  }
  return std::string_view::npos;
}

size_t openerColumn(std::string_view line) {
  return braceColumn(line, '{', [](std::string_view rest) { return rest.empty(); });
}

// An object's closing line: "    }" or "    },", where the next object's
// opening brace may follow on the same line when a line break was lost.
size_t closerColumn(std::string_view line, bool& opensNext) {
  opensNext = false;
  return braceColumn(line, '}', [&](std::string_view rest) {
    if (rest.empty() || rest == ",") return true;
    if (!rest.starts_with(',') || !rest.ends_with('{')) return false;
    for (const char c : rest.substr(1, rest.size() - 2))
      if (!isBlank(c)) return false;
    opensNext = true;
    return true;
  });
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

// The line from `begin`, without its line break.
std::string_view lineAt(std::string_view text, size_t begin) {
  const size_t newline = text.find('\n', begin);
  return text.substr(begin, (newline == npos ? text.size() : newline) - begin);
}

// Whether the line is one of an object's members in the writer's layout:
// six blanks, then its key. A "{" line deeper in an object (a modifier's
// entry) is followed by deeper lines, so it never passes for an object's
// opening line, whatever a damage did to the lines around it.
bool isMemberLine(std::string_view line) {
  return line.starts_with("      ") && line.size() > 6 && !isBlank(line[6]);
}

// The '[' of the writer's line that opens the "objects" array, or npos when
// the text has no such line.
size_t writersArrayBracket(std::string_view text) {
  constexpr std::string_view kLine = "\n  \"objects\": [";
  for (size_t at = text.find(kLine); at != npos; at = text.find(kLine, at + 1)) {
    if (trimmedLine(lineAt(text, at + 1)) == kLine.substr(1)) return at + kLine.size() - 1;
  }
  return npos;
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

  // Feeds the lines from `from` on; false when no object's opening line was
  // met. `strayBefore`: object text came before that line.
  bool scan(size_t from, bool strayBefore) {
    stray_ = strayBefore;
    for (size_t begin = from; begin < text_.size();) {
      const std::string_view line = lineAt(text_, begin);
      if (endsArray(text_, begin, line) || out_.items.size() > limit_) break;
      feed(begin, line);
      begin += line.size() + 1;
    }
    if (opener_ != npos) closeRange();
    if (stray_) ++out_.leftOut;
    return sawOpener_;
  }

 private:
  void feed(size_t begin, std::string_view line) {
    bool opensNext = false;
    const bool opensObject = objectFollows(begin + line.size());
    const size_t opener = openerColumn(line);
    const size_t closer = opener == npos ? closerColumn(line, opensNext) : npos;
    if (opener != npos && opensObject) {
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
  // first member, or the text ends before that line does.
  bool objectFollows(size_t lineEnd) const {
    if (lineEnd >= text_.size()) return true;
    const std::string_view next = lineAt(text_, lineEnd + 1);
    return lineEnd + 1 + next.size() >= text_.size() || isMemberLine(next);
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
      ++out_.leftOut;
    }
    opener_ = npos;
  }

  // The brace of the last closing line of the open range before `limit`.
  size_t lastCloserBefore(size_t limit) const {
    size_t found = npos;
    for (size_t begin = text_.find('\n', opener_) + 1; begin != 0 && begin < limit;) {
      const std::string_view line = lineAt(text_, begin);
      bool opensNext = false;
      const size_t closer = closerColumn(line, opensNext);
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

// Whether an array item may end at text[at]: the array's closer, or the
// next item's brace, after a comma or (the comma lost) without one; or the
// end of a text `cut` there, whole up to its end.
bool itemBoundaryAt(std::string_view text, size_t at, bool cut) {
  at = json_detail::skipSpace(text, at);
  if (at < text.size() && text[at] == ',') at = json_detail::skipSpace(text, at + 1);
  return at < text.size() ? text[at] == ']' || text[at] == '{' : cut;
}

}  // namespace

DamagedObjectItems damagedObjectItems(std::string_view text, std::string_view objects, bool objectsClosed,
                                      const std::vector<std::string_view>& scannedItems, size_t limit) {
  DamagedObjectItems out;
  // The writer's array line is found by its text, since a damage anywhere
  // may have re-paired the brackets that gave `objects`.
  const size_t tableArrayAt = objects.empty() ? npos : static_cast<size_t>(objects.data() - text.data());
  const size_t writers = writersArrayBracket(text);
  const size_t arrayAt = writers != npos ? writers : tableArrayAt;
  if (arrayAt == npos) return out;
  const size_t lineEnd = text.find('\n', arrayAt);
  const bool textAfterBracket = holdsText(text.substr(arrayAt + 1, lineEnd - std::min(lineEnd, arrayAt + 1)));
  if (lineEnd != npos && LayoutScan(text, limit, out).scan(lineEnd + 1, textAfterBracket)) {
    out.headerEnd = arrayAt + 1;
    out.layout = true;
    return out;
  }
  // Another layout: nothing after the first fault is told apart, so a
  // fault before the array keeps nothing. An item before the fault is kept
  // when an item boundary follows it: a stray closer ends an object early
  // into a whole head, which a member, not an item, follows.
  out = {};
  const size_t fault = jsonGrammarFault(text);
  if (tableArrayAt == npos || fault < tableArrayAt) return out;
  out.headerEnd = tableArrayAt + 1;
  for (const std::string_view item : scannedItems) {
    const auto end = static_cast<size_t>(item.data() - text.data()) + item.size();
    if (end > fault || !itemBoundaryAt(text, end, fault == text.size()) || out.items.size() > limit) break;
    out.items.push_back(item);
  }
  const bool closedBefore = objectsClosed && tableArrayAt + objects.size() <= fault;
  out.restLeftOut = fault != npos && !closedBefore;
  return out;
}

namespace {

// The settings the writer puts before the objects: the document's own, two
// blanks in, and the scene's, four in.
constexpr std::string_view kDocumentSettings[] = {"name", "phase", "schema"};
constexpr std::string_view kSceneSettings[] = {"id",           "name",          "activeCollectionId",
                                               "activeCameraId", "viewportShadingMode", "renderSettings",
                                               "timelineSettings", "presetBrowser",   "capsuleBrowser"};

size_t indentOf(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  return i;
}

// The key of a member whose text is whole (it holds no escape).
std::string_view memberKey(std::string_view member) {
  const size_t open = member.find('"');
  return member.substr(open + 1, member.find('"', open + 1) - open - 1);
}

// The scene member that starts on the line at `begin`: the line, or for a
// block that opens there and spans several lines (another tool's layout)
// its deeper lines and closing line too; `next` is where the next line
// starts.
std::string_view sceneMemberText(std::string_view header, size_t begin, size_t& next) {
  constexpr size_t kSceneIndent = 4;
  const std::string_view line = lineAt(header, begin);
  const std::string_view first = trimmedLine(line);
  next = begin + line.size() + 1;
  if (!first.ends_with('{') && !first.ends_with('[')) return first;
  size_t end = begin + first.size();
  while (next < header.size()) {
    const std::string_view deeper = lineAt(header, next);
    const size_t indent = indentOf(deeper);
    const bool closes =
        indent == kSceneIndent && deeper.size() > kSceneIndent && (deeper[indent] == '}' || deeper[indent] == ']');
    if (indent <= kSceneIndent && !closes) break;
    end = next + trimmedLine(deeper).size();
    next += deeper.size() + 1;
    if (closes) break;
  }
  return header.substr(begin, end - begin);
}

}  // namespace

std::string damagedTextHeader(std::string_view header, bool layout, size_t& settingsLeftOut) {
  settingsLeftOut = 0;
  std::string whole(header);
  whole += "]}";
  if (jsonGrammarFault(whole) == npos) return whole;
  if (!layout) return {};
  // Each setting's member is judged on its own text, and only the whole
  // ones are kept: a damaged one takes its default, never a value read
  // through brackets the damage re-paired.
  std::string document, scene;
  std::vector<std::string_view> keys[2];
  for (size_t begin = 0; begin < header.size();) {
    const std::string_view line = lineAt(header, begin);
    const size_t indent = indentOf(line);
    size_t next = begin + line.size() + 1;
    if ((indent == 2 || indent == 4) && line.size() > indent && line[indent] == '"') {
      // The document's settings are one line each; its "scene" line opens
      // the block whose members are judged in turn.
      std::string_view member = indent == 2 ? trimmedLine(line) : sceneMemberText(header, begin, next);
      if (member.ends_with(',')) member.remove_suffix(1);
      member.remove_prefix(indent);
      std::string alone = "{";
      alone.append(member) += '}';
      if (jsonGrammarFault(alone) == npos) {
        std::string& into = indent == 2 ? document : scene;
        if (!into.empty()) into += ',';
        into.append(member);
        keys[indent == 4].push_back(memberKey(member));
      }
    }
    begin = next;
  }
  const auto missing = [&](const auto& wanted, const std::vector<std::string_view>& found) {
    for (const std::string_view key : wanted)
      settingsLeftOut += std::find(found.begin(), found.end(), key) == found.end();
  };
  missing(kDocumentSettings, keys[0]);
  missing(kSceneSettings, keys[1]);
  if (!document.empty()) document += ',';
  return "{" + document + "\"scene\": {" + scene + "}}";
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
