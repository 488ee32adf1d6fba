// Every byte of a small saved file damaged in turn (deleted, or a quote,
// brace, bracket, comma, colon, line break, letter or digit written over it
// or put in front of it), in the writer's layout, the two-blank one common
// tools print and a minified copy, each copy judged against the whole file:
// objects lost or changed, settings that are neither the file's nor their
// default, and the counts the open's box gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "child_measure.h"
#include "model/scene_fixture.h"
#include "one_byte_damage.h"
#include "persistence/persistence.h"

namespace {

using vk::ProjectTextDamage;
using vk_test::OneByteDamage;
using vk_test::TextSpan;

// The settings before the objects, each with how it is told from the
// file's and the default value.
struct Setting {
  const char* key;
  int indent;  // 2: the document's, 4: the scene's
  bool (*same)(const vk::Project&, const vk::Project&);
};
#define VK_SETTING(key, indent, member) {key, indent, [](const vk::Project& a, const vk::Project& b) { return a.member == b.member; }}
const Setting kSettings[] = {
    VK_SETTING("name", 2, name),
    VK_SETTING("phase", 2, phase),
    VK_SETTING("schema", 2, schema),
    VK_SETTING("id", 4, scene.id),
    VK_SETTING("name", 4, scene.name),
    VK_SETTING("activeCollectionId", 4, scene.activeCollectionId),
    VK_SETTING("activeCameraId", 4, scene.activeCameraId),
    VK_SETTING("viewportShadingMode", 4, scene.viewportShadingMode),
    VK_SETTING("renderSettings", 4, scene.renderSettings),
    VK_SETTING("timelineSettings", 4, scene.timelineSettings),
    VK_SETTING("presetBrowser", 4, scene.presetBrowser),
    VK_SETTING("capsuleBrowser", 4, scene.capsuleBrowser),
};
#undef VK_SETTING

// Where the value starting at `at` ends (its last byte).
size_t valueEnd(std::string_view text, size_t at) {
  int depth = 0;
  for (bool inString = false; at < text.size(); ++at) {
    const char c = text[at];
    if (inString) {
      at += c == '\\';
      inString = c != '"';
      if (!inString && depth == 0) return at;
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      if (--depth == 0) return at;
    } else if (depth == 0 && (c == ',' || c == '\n')) {
      return at - 1;
    }
  }
  return text.size() - 1;
}

// Each setting's own text, from its key's quote to its value's end, and
// the two bytes after it: a byte put in or written over there cannot be
// told from the value's own last byte (`6610x,` from `66100,`), so the
// setting may take its default. The first line that holds the key at the
// setting's indent.
std::vector<TextSpan> settingSpans(std::string_view text) {
  std::vector<TextSpan> spans;
  for (const Setting& s : kSettings) {
    const std::string line = "\n" + std::string(static_cast<size_t>(s.indent), ' ') + "\"" + s.key + "\": ";
    const size_t at = text.find(line);
    spans.push_back({at + 1 + static_cast<size_t>(s.indent), valueEnd(text, at + line.size()) + 2});
  }
  return spans;
}

struct Figures {
  size_t copies = 0, opened = 0, unseen = 0, refused = 0, lost = 0, changed = 0, settingsWrong = 0, boxWrong = 0;
};

// What is wrong with one damaged open; adds to the figures.
std::string judge(const vk::Project& whole, const vk::Project& defaults, int layout, const std::vector<TextSpan>& objects,
                  const std::vector<TextSpan>& settings, const OneByteDamage& d, const vk::ProjectLoadResult& r,
                  Figures& f) {
  ++f.copies;
  const size_t fileObjects = objects.size();
  size_t touched = fileObjects;
  for (size_t k = 0; k < fileObjects; ++k)
    if (vk_test::touches(objects[k], d)) touched = k;
  // Minified, the objects before the damage lie wholly before the first fault.
  const auto kept = [&](size_t k) { return layout < 2 ? k != touched : objects[k].close < d.at; };
  if (!r.usable) {
    ++f.refused;
    return layout == 2 && !kept(0) ? "" : "refused";
  }
  if (r.damage == ProjectTextDamage::None) {
    ++f.unseen;  // a change the grammar cannot see
    return "";
  }
  ++f.opened;
  std::string fault;
  const vk::Scene& opened = r.project.scene;
  if (opened.objects.empty()) fault += " empty";
  size_t lost = 0, changed = 0;
  for (size_t k = 0; k < fileObjects; ++k) {
    const vk::Object& file = whole.scene.objects[k];
    const vk::Object* got = vk::findObjectById(opened, file.id);
    if (!got) {
      lost += kept(k);
      continue;
    }
    vk::Object compared = *got;
    if (compared.parentId.empty() && !vk::findObjectById(opened, file.parentId)) compared.parentId = file.parentId;
    changed += !(compared == file);
  }
  changed += opened.objects.size() - std::min(opened.objects.size(), fileObjects - lost);
  f.lost += lost;
  f.changed += changed;
  if (lost) fault += " lost " + std::to_string(lost);
  if (changed) fault += " changed " + std::to_string(changed);
  const size_t read = opened.objects.size();
  bool boxWrong = false;
  if (layout < 2) boxWrong = read + r.damagedObjectsLeftOut != fileObjects;
  if (read < fileObjects && r.damagedObjectsLeftOut == 0 && !r.objectsAfterFaultLeftOut) boxWrong = true;
  // Settings: the file's, or their default and counted; the file's when the
  // damage left their own text alone. The active camera and the timeline's
  // focus follow an object left out.
  size_t defaulted = 0, wrong = 0;
  for (size_t k = 0; k < std::size(kSettings); ++k) {
    const Setting& s = kSettings[k];
    if (s.same(r.project, whole)) continue;
    const std::string_view key = s.key;
    const bool follows = (key == "activeCameraId" && !vk::findObjectById(opened, whole.scene.activeCameraId)) ||
                         (key == "timelineSettings" &&
                          !vk::findObjectById(opened, whole.scene.timelineSettings.focusObjectId));
    if (follows) continue;
    if (s.same(r.project, defaults) && (layout == 2 || vk_test::touches(settings[k], d))) {
      ++defaulted;
    } else {
      ++wrong;
      fault += std::string(" setting ") + s.key;
    }
  }
  f.settingsWrong += wrong;
  // A setting whose file value is its default may be counted unseen.
  if (r.damagedSettingsLeftOut < defaulted) boxWrong = true;
  if (layout < 2 && r.damagedSettingsLeftOut > defaulted) {
    size_t touchedAtDefault = 0;
    for (size_t k = 0; k < std::size(kSettings); ++k)
      touchedAtDefault += kSettings[k].same(whole, defaults) && vk_test::touches(settings[k], d);
    boxWrong |= r.damagedSettingsLeftOut > defaulted + touchedAtDefault;
  }
  if (boxWrong) {
    ++f.boxWrong;
    fault += " box " + std::to_string(read) + "+" + std::to_string(r.damagedObjectsLeftOut) + (r.objectsAfterFaultLeftOut ? "+rest" : "") +
             " settings " + std::to_string(r.damagedSettingsLeftOut);
  }
  return fault;
}

// Under the sanitizers, which read some forty times slower, every byte
// takes one of the damages in turn, and only every twentieth byte inside
// the objects.
constexpr size_t kInsideStride = vk::test::kSanitized ? 20 : 1;

class DamageSweep : public vk::SceneTest {};

// A small file: the new project's camera and light (its cube's mesh would
// make the file three times as long), an empty with an odd name parented to
// the camera, and every setting off its default but the phase and schema.
TEST_F(DamageSweep, EveryByteDamagedCostsAtMostTheOneObjectItTouches) {
  vk::Project& project = app().project;
  vk::addObject(vk::ObjectKind::Empty, L"Rig \"a\" [1], {b}");
  vk::ObjectList& objects = project.scene.objects;
  objects.erase(std::as_const(objects).begin());
  objects[2].parentId = std::as_const(objects)[0].id;
  project.name = L"Sweep";
  project.scene.id = L"scene-sweep";
  project.scene.name = L"Shot";
  project.scene.activeCollectionId = L"col-sweep";
  project.scene.viewportShadingMode = vk::ViewportShadingMode::Wireframe;
  project.scene.renderSettings.outputWidth = 640;
  project.scene.timelineSettings.frameEnd = 48;
  project.scene.timelineSettings.focusObjectId = std::as_const(objects)[2].id;
  project.scene.presetBrowser.categoryFilter = L"Lighting";
  project.scene.capsuleBrowser.visible = !project.scene.capsuleBrowser.visible;
  const std::string saved = vk::serializeProject(project, 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(saved);
  ASSERT_EQ(whole.damage, ProjectTextDamage::None);
  const vk::Project defaults = vk::deserializeProject("{\"objects\": [{}]}").project;
  std::string atDefault;
  for (const Setting& s : kSettings)
    if (s.same(whole.project, defaults)) atDefault += std::string(" ") + s.key;
  EXPECT_EQ(atDefault, " phase schema");

  const char* const names[] = {"writer's layout", "two-blank layout", "minified"};
  for (const int layout : {0, 1, 2}) {
    std::vector<size_t> moved;
    const std::string text =
        layout == 0 ? saved : layout == 1 ? vk_test::reindented(saved) : vk_test::withoutBlanks(saved, moved);
    std::vector<TextSpan> blocks = vk_test::savedObjectBlocks(layout == 2 ? saved : text);
    ASSERT_EQ(blocks.size(), whole.project.scene.objects.size());
    for (TextSpan& b : blocks)
      if (layout == 2) b = {moved[b.open], moved[b.close]};
    const std::vector<TextSpan> settings = layout < 2 ? settingSpans(text) : std::vector<TextSpan>{};
    Figures f;
    size_t faults = 0;
    // Every damage on every byte outside the objects' inner text (the
    // settings, the array's lines, the objects' braces and what lies between
    // them); inside, each byte takes one of the damages in turn, as one
    // damage inside an object is judged the same wherever it lies.
    constexpr std::string_view kPuts("\"{}[],:\na7\0", 11);
    size_t turn = 0;
    for (size_t at = 0; at < text.size(); ++at) {
      const bool inside = std::any_of(blocks.begin(), blocks.end(), [&](const TextSpan& b) { return at > b.open && at < b.close; });
      if (inside && at % kInsideStride != 0) continue;
      for (size_t way = 0; way < 2 * kPuts.size(); ++way) {
        if ((inside || vk::test::kSanitized) && way != turn % (2 * kPuts.size())) continue;
        const char put = kPuts[way / 2];
        OneByteDamage d{way % 2 ? OneByteDamage::Insert : OneByteDamage::Overwrite, at, put};
        if (put == '\0') {
          if (d.kind == OneByteDamage::Insert) continue;
          d.kind = OneByteDamage::Delete;
        } else if (d.kind == OneByteDamage::Overwrite && text[at] == put) {
          continue;
        }
        const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(text, d));
        const std::string fault = judge(whole.project, defaults, layout, blocks, settings, d, r, f);
        if (!fault.empty() && ++faults <= 40) {
          ADD_FAILURE() << names[layout] << ": " << "DOI"[d.kind] << " '" << (put == '\n' ? "\\n" : std::string(1, put))
                        << "' at " << at << ":" << fault << "\n  "
                        << text.substr(at - std::min<size_t>(at, 30), 30) << "|" << text.substr(at, 30);
        }
      }
      turn += inside || vk::test::kSanitized;
    }
    std::printf("%-16s %8zu copies %8zu opened %8zu unseen %7zu refused %6zu lost %6zu changed %6zu settings %6zu boxes wrong\n",
                names[layout], f.copies, f.opened, f.unseen, f.refused, f.lost, f.changed, f.settingsWrong,
                f.boxWrong);
    EXPECT_EQ(faults, 0u) << names[layout];
  }
}

}  // namespace
