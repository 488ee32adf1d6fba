// Helpers shared by the project file's writer and reader files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/types.h"
#include "persistence/json.h"

namespace vk {

// Texts the sanitizers cut, cut as they are read (the rest is never built)
// and charged to the index's budget as findString charges its texts.
// trimToSingleLine(findString(object, key, fallback), limit), but that the
// fallback comes back as given.
std::wstring findSingleLine(const JsonObjectIndex& object, std::string_view key, size_t limit,
                            const std::wstring& fallback);
// The first `limit` characters of findString.
std::wstring findPrefix(const JsonObjectIndex& object, std::string_view key, size_t limit,
                        const std::wstring& fallback);
// sanitizeTexturePath(findString(object, key, L"")).
std::wstring findTexturePath(const JsonObjectIndex& object, std::string_view key);
// A text kept whole, which the studio holds `copies` of at once, the
// object's own included: every copy is counted before the text is built, so
// what the studio makes of a file stays within the reader's bound.
std::wstring findCopiedText(const JsonObjectIndex& object, std::string_view key, uint64_t copies,
                            const std::wstring& fallback);
// Ids: the object's, the collection's, the id index's, the outliner's and
// the status bar's caches' and those of the outliner's walk of the tree.
inline constexpr uint64_t kIdTextCopies = 12;
// What the viewport's modifier preview copies of an object (its name,
// primitive, mesh and curve texts and stack) and the inspector's repaired
// copy of its stack.
inline constexpr uint64_t kPreviewedTextCopies = 6;
// Texture maps: the slot's, the object's material (a copy of its active
// slot), and two copies of both in the inspector and the modifier previews'.
inline constexpr uint64_t kTextureMapTextCopies = 12;
// Keys: the track, its repair and the key inspector.
inline constexpr uint64_t kKeyTextCopies = 3;

// Texts that are only compared with fixed names (kinds, light types,
// categories, channels, schema names) are read this far: one character past
// the longest name decides as well as the whole text.
inline constexpr size_t kComparedTextChars = 32;

// A member read as a whole number (truncated; -2147483648 outside 32 bits).
inline int32_t findWhole(const JsonObjectIndex& object, std::string_view key, int32_t fallback) {
  return jsonWholeNumber(findNumber(object, key, fallback));
}

// The settings members of a camera or light line (or key line), each member
// falling back to the value in `settings`; capsule texts fall back to empty.
CameraSettings readCameraSettings(const JsonObjectIndex& block, CameraSettings settings);
LightSettings readLightSettings(const JsonObjectIndex& block, LightSettings settings);

// The lines of a damaged text, as the damaged-text readers walk them
// (project_reader_damage.cpp, project_reader_settings.cpp): a blank within a
// line, the line from `begin` without its line break, the line without its
// trailing blanks (a CR of CR LF among them), and the blanks it starts with.
inline bool isLineBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
inline std::string_view lineAt(std::string_view text, size_t begin) {
  const size_t newline = text.find('\n', begin);
  return text.substr(begin, (newline == std::string_view::npos ? text.size() : newline) - begin);
}
inline std::string_view trimmedLine(std::string_view line) {
  while (!line.empty() && isLineBlank(line.back())) line.remove_suffix(1);
  return line;
}
inline size_t leadingBlanks(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return i;
}

// A damaged text whose lines are told apart as in one with LF line ends: CR
// LF reads as LF, and a CR alone (its LF taken or written over) as the line
// break it stood for, so the bytes around it are never read as one value.
std::string withLineFeeds(std::string_view text);

// The object items of a text that is not well-formed, each one whole JSON
// object in the file, in text order (project_reader_damage.cpp).
struct DamagedObjectItems {
  std::vector<std::string_view> items;
  // Objects whose own text is damaged, left out.
  size_t leftOut = 0;
  // The text keeps no layout that tells its objects apart: those after its
  // first fault were left out, uncounted.
  bool restLeftOut = false;
  // Where the text before the array's first item ends (just past its '['),
  // npos when no array was found; `layout`: the writer's layout told the
  // objects apart.
  size_t headerEnd = std::string_view::npos;
  bool layout = false;
  // The text stops before the end its layout gives it, as a cut copy does:
  // in the writer's lines before the array's closing line and the document's
  // "}", in another layout as a well-formed start. `objectsMayFollow`: it
  // stops inside the "objects" array, so objects after the last one read, if
  // the file had any, are not in it.
  bool endsEarly = false;
  bool objectsMayFollow = false;
};
// `objects` is the document's "objects" array in `text` as the bracket table
// paired it (from its '['; empty when there is none) and `scannedItems` the
// items the table gave.
// Stops after `limit` + 1 items. Linear in the text.
DamagedObjectItems damagedObjectItems(std::string_view text, std::string_view objects,
                                      const std::vector<std::string_view>& scannedItems, size_t limit);
// The text a damaged project's settings are read from: the text before its
// objects (`header`, up to and including the array's '['), closed, when
// that is whole and (in the writer's layout) names its "scene" block, each
// setting it lacks counted in `settingsLeftOut`; otherwise, in the writer's
// layout, the settings whose own member text is whole (`settingsLeftOut`
// counts the writer's settings that are not), and else nothing (the open is
// refused).
std::string damagedTextHeader(std::string_view header, bool layout, size_t& settingsLeftOut);
// Whether a well-formed document lacks its "scene" block but holds a block
// whose name is one byte put in, taken out or written over from it.
bool sceneNameDamaged(const JsonObjectIndex& doc);
// The settings of a header in the writer's layout whose own member text is
// whole, as the text of a document that holds them (project_reader_settings.cpp);
// `settingsLeftOut` counts the others.
std::string damagedLayoutSettings(std::string_view header, size_t& settingsLeftOut);
// The settings a well-formed document leaves at their defaults: those it
// lacks at their level, or holds as a value of another kind.
size_t settingsLeftAtDefault(const JsonObjectIndex& doc);
// Clears every parent id that names no object of the scene: the parent was
// left out with the damage.
void clearParentsLeftOut(Scene& scene);

}  // namespace vk
