// The check the project reader's fuzz target runs on every input; the
// regression test runs it on every saved input too.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json_reference.h"
#include "one_byte_damage.h"
#include "persistence/json.h"
#include "persistence/persistence.h"

// The saved text with the value of every "validation" member blanked: that
// text is derived on open and ends with a note of what the open repaired, so
// the first save of a damaged input names a repair its reopening no longer
// needs. Everything else must come back byte for byte.
inline std::string vkWithoutValidationNotes(std::string_view text) {
  static constexpr std::string_view kKey = "\"validation\": \"";
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(kKey); at != std::string_view::npos; at = text.find(kKey, from)) {
    size_t end = at + kKey.size();
    while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
    out.append(text.substr(from, at + kKey.size() - from));
    from = std::min(end, text.size());
  }
  out.append(text.substr(from));
  return out;
}

// Inputs of more object items than this are passed over (counted as the
// reader counts them, before anything is read): every object, even "{}",
// is read into several kilobytes of defaults and saved as such, so a few
// kilobytes of "{}," would spend each run on thousands of identical objects.
// The objects of a project interact (ids, parents) well within this; the
// object budget itself has its own tests.
inline constexpr uint64_t kFuzzObjects = 16;

inline uint64_t vkFuzzObjectItems(std::string_view text) {
  // The reader passes over a stray word before the document's brace, so the
  // items are counted from that brace too.
  text.remove_prefix(std::min(text.find('{'), text.size()));
  std::vector<uint64_t> objects;
  const vk::JsonObjectIndex doc = vk::indexJsonObjectCountingArrays(text, objects);
  const vk::JsonMember* member = doc.find("objects");
  return member ? objects[static_cast<size_t>(member - doc.members.data())] : 0;
}

// The grammar check beside the reader judges the text as the grammar does
// (texts nested too deep for the by-the-book check aside), and the careful
// scan that finds where a damaged text fails agrees with it.
inline void vkFuzzCheckGrammarScan(std::string_view text) {
  bool wellFormed = false;
  vk::buildJsonBracketTable(text, wellFormed);
  if ((vk::jsonGrammarFault(text) == std::string_view::npos) != wellFormed) __builtin_trap();
  vk_test::JsonReference reference(text);
  if (reference.wellFormed() != wellFormed && !reference.tooDeep()) __builtin_trap();
}

// What the check read after its input: the bytes of every text it handed
// the reader again, and how many of those were damaged copies.
struct VkFuzzWork {
  uint64_t bytesReadAgain = 0;
  size_t damagedCopies = 0;
};

// The bytes the check may read after an input of `size` bytes. Every object,
// even "{}", re-saves as kilobytes of defaults, so the re-saved text can be
// far larger than its input: past this it is sampled with fewer damaged
// copies, or (past it alone) not read again at all.
inline uint64_t vkFuzzReadBudget(size_t size) { return (uint64_t{1} << 20) + 32 * uint64_t{size}; }

// A damaged open holds no object that the whole text does not: copies of a
// saved text with one structural byte deleted, put in again before itself,
// or (in the writer's layout) a "}" written at the start of the line that
// holds it, at a few places, keep only the whole open's objects, equal to
// them but for a parent left out with the damage, and never open empty. In
// the writer's layout they keep every object the damage left alone, the
// objects read and the damaged ones left out are the file's wherever the
// damage lies, and a damage past the array's first line leaves the settings
// as they were. The same holds for the text with its blanks removed, but
// that nothing after the damage is kept there and the box then says so, and
// says so only when some object was left out. The places are spread evenly
// over the text, as many as `budget` bytes of copies allow, at most six a
// layout, and one copy cut short a layout when they allow one more.
inline void vkFuzzCheckDamagedCopies(const std::string& saved, const vk::Project& whole, uint64_t budget,
                                     VkFuzzWork& work) {
  const std::string flat = vk_test::withoutBlanks(saved);
  const std::vector<vk_test::TextSpan> blocks = vk_test::savedObjectBlocks(saved);
  const size_t arrayLine = saved.find("\n  \"objects\": [");
  const uint64_t rounds = budget / (saved.size() + flat.size());
  const size_t copies = static_cast<size_t>(std::min<uint64_t>(6, rounds));
  const auto settingsOf = [](vk::Project project) {
    project.scene.objects.clear();
    project.scene.collections.clear();
    project.scene.activeCameraId.clear();
    project.scene.timelineSettings.focusObjectId.clear();
    return project;
  };
  const size_t objects = whole.scene.objects.size();
  for (const bool layout : {true, false}) {
    const std::string& text = layout ? saved : flat;
    const std::vector<size_t> places = vk_test::structuralBytes(text);
    for (size_t k = 0; k < copies && !places.empty(); ++k) {
      const size_t at = places[(2 * k + 1) * places.size() / (2 * copies)];
      vk_test::OneByteDamage d{vk_test::OneByteDamage::Delete, at, 0};
      const size_t lineStart = text.rfind('\n', at) + 1;
      if (k % 3 == 1) d = {vk_test::OneByteDamage::Insert, at, text[at]};
      if (layout && k % 3 == 2 && text[lineStart] == ' ') d = {vk_test::OneByteDamage::Overwrite, lineStart, '}'};
      const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(text, d));
      work.bytesReadAgain += text.size();
      ++work.damagedCopies;
      if (!r.usable || r.damage == vk::ProjectTextDamage::None) continue;
      const vk_test::DamagedOpenFaults faults =
          vk_test::judgeDamagedOpen(whole, layout ? blocks : std::vector<vk_test::TextSpan>{}, d, r.project);
      const size_t read = r.project.scene.objects.size();
      if (faults.foreign > 0 || faults.untouchedLost > 0 || read == 0) __builtin_trap();
      if (read < objects && r.damagedObjectsLeftOut == 0 && !r.objectsAfterFaultLeftOut) __builtin_trap();
      if (read == objects && r.objectsAfterFaultLeftOut) __builtin_trap();
      if (!layout || arrayLine == std::string::npos) continue;
      if (read + r.damagedObjectsLeftOut != objects) __builtin_trap();
      if (d.at > arrayLine && !(settingsOf(r.project) == settingsOf(whole))) __builtin_trap();
    }
    // A copy cut short at the middle place keeps only the file's objects and
    // says it ends early, never that objects after a damage were left out.
    if (rounds <= copies || places.empty()) continue;
    const size_t cut = places[places.size() / 2];
    const vk::ProjectLoadResult r = vk::deserializeProject(std::string_view(text).substr(0, cut));
    work.bytesReadAgain += cut;
    ++work.damagedCopies;
    if (!r.usable) continue;
    if (r.damage != vk::ProjectTextDamage::EndsEarly || r.objectsAfterFaultLeftOut) __builtin_trap();
    if (vk_test::judgeDamagedOpen(whole, {}, {vk_test::OneByteDamage::Insert, cut, 0}, r.project).foreign > 0)
      __builtin_trap();
  }
}

// Reading never fails, and what was read survives one save and one reopen:
// the saved text reads as whole, and the reopened project saves as the same
// text, repair notes aside; damaged copies of it hold only its objects. A
// damaged text can give more objects than its items count: such an input is
// passed over once read, as a crowded one is before.
inline VkFuzzWork vkFuzzCheckProject(std::string_view text) {
  VkFuzzWork work;
  vkFuzzCheckGrammarScan(text);
  if (vkFuzzObjectItems(text) > kFuzzObjects) return work;
  const vk::ProjectLoadResult result = vk::deserializeProject(text);
  if (!result.usable || result.project.scene.objects.size() > kFuzzObjects) return work;
  const std::string first = vk::serializeProject(result.project, 0);
  const uint64_t budget = vkFuzzReadBudget(text.size());
  if (first.size() > budget) return work;
  const vk::ProjectLoadResult again = vk::deserializeProject(first);
  work.bytesReadAgain += first.size();
  if (!again.usable || again.damage != vk::ProjectTextDamage::None) __builtin_trap();
  if (vkWithoutValidationNotes(vk::serializeProject(again.project, 0)) != vkWithoutValidationNotes(first))
    __builtin_trap();
  vkFuzzCheckDamagedCopies(first, again.project, budget - first.size(), work);
  return work;
}

inline int vkFuzzReadProject(const uint8_t* data, size_t size) {
  vkFuzzCheckProject(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
