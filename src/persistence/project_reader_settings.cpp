// The settings of a damaged project text, in the writer's layout (and the
// two-blank one common tools print): the document's name, phase and schema
// two blanks in, and the scene's members four blanks in, each on a line of
// its own. Each setting is found by its key where such a line puts it, and
// kept only when its own text, from its key to the end of its value, is
// whole and ends as the writer ends it; a damage anywhere around it (the
// blanks before it, the line breaks, a neighbour's text, the "scene" line)
// changes nothing.
#include <algorithm>
#include <array>
#include <cctype>

#include "persistence/project_internal.h"

namespace vk {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kBlanks = "    ";

// Each setting's key, indent and how its value starts: a string, a number
// or a block.
struct SettingKey {
  std::string_view key;
  size_t indent;
  char value;
};
constexpr SettingKey kSettingKeys[] = {
    {"name", 2, '"'},
    {"phase", 2, '0'},
    {"schema", 2, '0'},
    {"id", 4, '"'},
    {"name", 4, '"'},
    {"activeCollectionId", 4, '"'},
    {"activeCameraId", 4, '"'},
    {"viewportShadingMode", 4, '"'},
    {"renderSettings", 4, '{'},
    {"timelineSettings", 4, '{'},
    {"presetBrowser", 4, '{'},
    {"capsuleBrowser", 4, '{'},
};
constexpr size_t kSettingCount = std::size(kSettingKeys);

// How a value starting with `first` starts, as SettingKey::value says it:
// '0' for any number.
char valueKind(char first) { return first == '-' || (first >= '0' && first <= '9') ? '0' : first; }

// The indents (bit 2 and bit 4) whose blanks `lead` is, or would be after
// one byte put in, taken out or written over; `exact`: as the writer wrote it.
unsigned leadIndents(std::string_view lead, bool& exact) {
  const auto blanks = static_cast<size_t>(std::count(lead.begin(), lead.end(), ' '));
  exact = blanks == lead.size() && (blanks == 2 || blanks == 4);
  unsigned indents = 0;
  for (const size_t indent : {size_t{2}, size_t{4}}) {
    const bool near = blanks == lead.size() ? blanks + 1 >= indent && blanks <= indent + 1
                                           : blanks + 1 == lead.size() && (lead.size() == indent || lead.size() == indent + 1);
    if (near) indents |= 1u << indent;
  }
  return indents;
}

// Just past the value that starts at text[at], read by its own grammar: a
// string, a block, or a number or word; npos when it is none. A block ends
// where the layout ends a setting's block: on its key's line, or on a line
// of its own at the member's `indent`; a brace lost or written over at its
// end would run it on into the members after it.
size_t valueEnd(std::string_view text, size_t at, size_t indent) {
  if (at >= text.size()) return npos;
  size_t end = at;
  const char c = text[at];
  if (c == '"') {
    for (end = at + 1; end < text.size() && text[end] != '"' && text[end] != '\n'; ++end) end += text[end] == '\\';
    if (end >= text.size() || text[end] != '"') return npos;
    ++end;
  } else if (c == '{' || c == '[') {
    const auto close = jsonContainerEnd(text, at);
    if (!close || text[*close - 1] != (c == '{' ? '}' : ']')) return npos;
    end = *close;
    const size_t lineStart = text.rfind('\n', end - 1);
    if (lineStart != npos && lineStart > at && text.substr(lineStart + 1, end - 2 - lineStart) != kBlanks.substr(0, indent))
      return npos;
  } else {
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '.' ||
                                 text[end] == '-' || text[end] == '+'))
      ++end;
  }
  return end > at && jsonGrammarFault(text.substr(at, end - at)) == npos ? end : npos;
}

// Whether `rest`, the text after a block's closing brace, is the closing
// line of the block that holds it (`indent` two blanks less deep), the line
// break between them lost or written over.
bool closesParent(std::string_view rest, size_t indent) {
  const size_t blanks = leadingBlanks(rest);
  if (blanks == indent - 2 || blanks == indent - 1) return rest.substr(blanks).starts_with('}');
  return blanks == 0 && leadingBlanks(rest.substr(1)) == indent - 2 && rest.substr(indent - 1).starts_with('}');
}

// Whether the member whose value (of kind `kind`: '"', '0' or '{') ends at
// `end` ends as the writer ends one at `indent`: a comma and the line's end,
// or (a damage beside it) a byte put in or written over before or after the
// comma, its line break lost before the next member, or its comma lost
// before the next member's line or the block's closing line; the last
// block of its parent with that parent's closing line. A number owns the
// byte after it: a byte other than its comma there, or a second comma, may
// be its own last digit moved on (`66105,` with its 5 written over), and a
// quote right after a string may have been its own last byte; and a block
// closed early by a stray brace is followed by its own deeper lines.
bool endsAsWritten(std::string_view text, size_t end, size_t indent, char kind) {
  const size_t lineEnd = end + lineAt(text, end).size();
  std::string_view rest = trimmedLine(lineAt(text, end));
  const std::string_view next = lineEnd < text.size() ? lineAt(text, lineEnd + 1) : std::string_view{};
  const size_t nextIndent = leadingBlanks(next);
  const char first = nextIndent < next.size() ? next[nextIndent] : '\0';
  // Only a block has deeper lines of its own; a value of another kind keeps
  // its place whatever line follows it (a "scene" line taken out puts the
  // scene's members right after the document's schema).
  const bool nextNotDeeper = kind != '{' || first == '\0' || nextIndent <= indent + 1;
  if (kind == '0' && (!rest.starts_with(',') || rest.starts_with(",,"))) return false;
  if (rest.empty()) return nextNotDeeper;
  if (rest[0] != ',') {
    if (kind == '{' && closesParent(rest, indent)) return true;
    // The comma written over; or a byte put in before it, unless the value
    // may have lost its own last byte to that one.
    if (rest.size() > 2 || (rest.size() == 2 && rest[1] != ',')) return false;
    return nextNotDeeper && (rest.size() == 1 || !(rest[0] == '"' && kind == '"'));
  }
  rest.remove_prefix(1);
  if (rest.size() <= 1) return nextNotDeeper;
  if (kind == '{' && closesParent(rest, indent)) return true;
  // The next member on this line: the line break between them lost, or
  // written over by another byte.
  const size_t blanks = leadingBlanks(rest);
  if (blanks < rest.size() && rest[blanks] == '"' && (blanks == indent || blanks == indent + 1)) return true;
  const size_t after = leadingBlanks(rest.substr(1));
  return rest[0] != ' ' && after + 1 < rest.size() && rest[after + 1] == '"' && after == indent;
}

// A member start found where the layout puts one: the key's quote, the
// indents it may stand at, and whether its blanks are the writer's.
struct MemberStart {
  size_t at;
  unsigned indents;
  bool exact;
};

// Visits the member starts of the header, each once: at the first quote of
// each line (its blanks may be split by a line break put in among them),
// and after a comma or a block's brace that the next member's blanks follow
// on the same line (the line break between them lost or written over).
template <class Visit>
void forEachMemberStart(std::string_view header, Visit&& visit) {
  size_t blankLineBefore = npos, last = npos;
  for (size_t begin = 0; begin < header.size();) {
    const std::string_view line = lineAt(header, begin);
    const auto add = [&](size_t at, unsigned indents, bool exact) {
      if (indents && begin + at != last) visit(MemberStart{last = begin + at, indents, exact});
    };
    // The first quote, or the second when the first is a stray byte among
    // the blanks.
    const size_t first = line.find('"');
    for (size_t quote = first; quote != npos && quote <= 6; quote = quote == first ? line.find('"', quote + 1) : npos) {
      bool exact = false;
      unsigned indents = leadIndents(line.substr(0, quote), exact);
      const size_t split = blankLineBefore + quote;
      if (blankLineBefore != npos && leadingBlanks(line) == quote && (split == 2 || split == 4)) indents |= 1u << split;
      add(quote, indents, exact);
    }
    for (size_t comma = line.find_first_of(",{"); comma != npos; comma = line.find_first_of(",{", comma + 1)) {
      const size_t from = comma + 1 + (comma + 1 < line.size() && line[comma + 1] != ' ');
      const size_t blanks = leadingBlanks(line.substr(std::min(from, line.size())));
      const size_t at = from + blanks;
      if (at >= line.size() || line[at] != '"') continue;
      const size_t indent = blanks - (from == comma + 1 && (blanks == 3 || blanks == 5));
      if (indent == 2 || indent == 4) add(at, 1u << indent, false);
    }
    blankLineBefore = leadingBlanks(line) == line.size() && !line.empty() ? line.size() : npos;
    begin += line.size() + 1;
  }
}

// Whether the member at header[at] has the key `key`, with the writer's
// colon and blank after it.
bool hasKey(std::string_view header, size_t at, std::string_view key) {
  return header.substr(at).starts_with('"') && header.substr(at + 1).starts_with(key) &&
         header.substr(at + 1 + key.size()).starts_with("\": ");
}

}  // namespace

size_t settingsLeftAtDefault(const JsonObjectIndex& doc) {
  const auto sceneText = findNestedObject(doc, "scene");
  const JsonObjectIndex scene = sceneText ? indexNested(doc, *sceneText) : JsonObjectIndex{};
  size_t absent = 0;
  for (const SettingKey& s : kSettingKeys) {
    const JsonMember* member = (s.indent == 2 ? doc : scene).find(s.key);
    const char first = member && !member->value.empty() ? member->value.front() : '\0';
    absent += valueKind(first) != s.value;
  }
  return absent;
}

std::string damagedLayoutSettings(std::string_view header, size_t& settingsLeftOut) {
  // Each setting's member: the one start at its indent whose blanks are the
  // writer's, or else the only one near them.
  struct Found {
    size_t exact = 0, near = 0, exactAt = npos, nearAt = npos;
  };
  std::array<Found, kSettingCount> found{};
  forEachMemberStart(header, [&](const MemberStart& m) {
    for (size_t k = 0; k < kSettingCount; ++k) {
      if (!(m.indents & (1u << kSettingKeys[k].indent)) || !hasKey(header, m.at, kSettingKeys[k].key)) continue;
      Found& f = found[k];
      ++(m.exact ? f.exact : f.near);
      (m.exact ? f.exactAt : f.nearAt) = m.at;
    }
  });
  settingsLeftOut = 0;
  std::string document, scene;
  for (size_t k = 0; k < kSettingCount; ++k) {
    const SettingKey& s = kSettingKeys[k];
    const Found& f = found[k];
    const size_t at = f.exact == 1 ? f.exactAt : f.exact == 0 && f.near == 1 ? f.nearAt : npos;
    const size_t valueAt = at == npos ? npos : at + s.key.size() + 4;
    const size_t end = valueEnd(header, valueAt, s.indent);
    const char first = end == npos ? '\0' : header[valueAt];
    const char kind = valueKind(first);
    if (end == npos || kind != s.value || !endsAsWritten(header, end, s.indent, kind)) {
      ++settingsLeftOut;
      continue;
    }
    std::string& into = s.indent == 2 ? document : scene;
    if (!into.empty()) into += ',';
    into.append(header.substr(at, end - at));
  }
  return "{" + document + (document.empty() ? "" : ",") + "\"scene\": {" + scene + "}}";
}

}  // namespace vk
