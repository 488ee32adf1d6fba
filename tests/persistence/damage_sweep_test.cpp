// Every byte of a small saved file damaged in turn (deleted, or a quote,
// brace, bracket, comma, colon, line break, letter or digit written over it
// or put in front of it), in the writer's layout, the two-blank one common
// tools print, a minified copy, and the writer's layout with CR LF line
// ends and without its final line break, each copy judged against the whole
// file: objects lost, changed or made up, settings that are neither the
// file's nor their default (or, when the grammar cannot see the damage, not
// the file's), and the counts the open's box gives.
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

// Each setting's own text, from its key's quote to its value's end, found
// on the first line that holds the key at the setting's indent; `kind` is
// how its value starts.
struct SettingSpan {
  TextSpan text;
  char kind;
};
std::vector<SettingSpan> settingSpans(std::string_view text) {
  std::vector<SettingSpan> spans;
  for (const Setting& s : kSettings) {
    const std::string line = "\n" + std::string(static_cast<size_t>(s.indent), ' ') + "\"" + s.key + "\": ";
    const size_t at = text.find(line);
    spans.push_back({{at + 1 + static_cast<size_t>(s.indent), valueEnd(text, at + line.size())}, text[at + line.size()]});
  }
  return spans;
}

// Whether the damage falls on the setting's own text, as far as the
// README's edge takes it: a number owns the byte after it (its comma) and a
// second comma put in or written over after that one (`66105,` may have
// lost its 5 to either), a string a quote put in or written over right after
// it (its own last byte may have become that quote). `lineBreak` is the
// length of the text's line breaks.
bool touchesSetting(const SettingSpan& s, const OneByteDamage& d, std::string_view text, size_t lineBreak) {
  if (vk_test::touches(s.text, d)) return true;
  const size_t after = s.text.close + 1;
  if (s.kind == '"') return d.at == after && d.put == '"';
  if (s.kind != '-' && (s.kind < '0' || s.kind > '9')) return false;
  return d.at == after || (d.put == ',' && text[after] == ',' && d.kind != OneByteDamage::Delete && d.at > after &&
                           d.at <= after + lineBreak);
}

struct Figures {
  size_t copies = 0, opened = 0, unseen = 0, refused = 0, lost = 0, changed = 0, madeUp = 0, settingsWrong = 0,
         boxWrong = 0;
};

// One layout of the file under the sweep: its text, where each object's and
// setting's own text lies in it, and whether it keeps the writer's lines.
struct LaidOut {
  const char* name;
  std::string text;
  std::vector<TextSpan> objects;
  std::vector<SettingSpan> settings;
  bool lines;
  size_t lineBreak;
};

// What is wrong with one damaged open; adds to the figures.
std::string judge(const vk::Project& whole, const vk::Project& defaults, const LaidOut& laid, const OneByteDamage& d,
                  const vk::ProjectLoadResult& r, Figures& f) {
  ++f.copies;
  const std::vector<TextSpan>& objects = laid.objects;
  const size_t fileObjects = objects.size();
  size_t touched = fileObjects;
  for (size_t k = 0; k < fileObjects; ++k)
    if (vk_test::touches(objects[k], d)) touched = k;
  // Minified, the objects before the damage lie wholly before the first fault.
  const auto kept = [&](size_t k) { return laid.lines ? k != touched : objects[k].close < d.at; };
  if (!r.usable) {
    ++f.refused;
    return !laid.lines && !kept(0) ? "" : "refused";
  }
  const bool unseen = r.damage == ProjectTextDamage::None;
  ++(unseen ? f.unseen : f.opened);
  std::string fault;
  const vk::Scene& opened = r.project.scene;
  if (opened.objects.empty()) fault += " empty";
  // An object is the file's or, read by the grammar though damaged, one
  // whose own text took the damage; a damaged id may take another's, which
  // then takes a fresh one. A damage the grammar cannot see inside one
  // object leaves the others' text as it was: only their count is judged.
  size_t lost = 0, changed = 0, madeUp = 0;
  for (size_t k = 0; k < fileObjects && !(unseen && touched < fileObjects); ++k) {
    const vk::Object& file = whole.scene.objects[k];
    const vk::Object* got = unseen ? (k < opened.objects.size() ? &std::as_const(opened.objects)[k] : nullptr)
                                   : vk::findObjectById(opened, file.id);
    if (!got) {
      lost += kept(k);
      continue;
    }
    if ((unseen && k == touched) || *got == file) continue;
    vk::Object compared = *got;
    if (compared.parentId.empty() && !vk::findObjectById(opened, file.parentId)) compared.parentId = file.parentId;
    if (unseen) compared.id = file.id;
    changed += !(compared == file);
  }
  if (!unseen)
    for (const vk::Object& o : opened.objects) madeUp += !vk::findObjectById(whole.scene, o.id);
  madeUp += opened.objects.size() - std::min(opened.objects.size(), fileObjects - (unseen ? 0 : lost));
  f.lost += lost;
  f.changed += changed;
  f.madeUp += madeUp;
  if (lost) fault += " lost " + std::to_string(lost);
  if (changed) fault += " changed " + std::to_string(changed);
  if (madeUp) fault += " made up " + std::to_string(madeUp);
  const size_t read = opened.objects.size();
  // The box: in the writer's lines the objects read and left out are the
  // file's; otherwise fewer read are told, and the objects after the damage
  // are said to be left out only when some were.
  bool boxWrong = false;
  if (!unseen) {
    if (laid.lines) boxWrong = read + r.damagedObjectsLeftOut != fileObjects;
    if (read < fileObjects && r.damagedObjectsLeftOut == 0 && !r.objectsAfterFaultLeftOut) boxWrong = true;
    if (r.objectsAfterFaultLeftOut && read == fileObjects) boxWrong = true;
    // Only a damage on the document's last brace reads as a cut, after the
    // objects; minified, one in the last object too: a lost last quote runs
    // on to the end as a cut inside that object.
    if (r.damage == ProjectTextDamage::EndsEarly)
      boxWrong |= laid.lines ? d.at < laid.text.rfind('}') || r.endsInsideObjects : d.at < objects.back().open;
  }
  // Settings: the file's, or their default and counted; the file's when the
  // damage left their own text alone. The active camera and the timeline's
  // focus follow an object left out (or, unseen, the damaged object).
  size_t defaulted = 0, wrong = 0;
  for (size_t k = 0; k < std::size(kSettings); ++k) {
    const Setting& s = kSettings[k];
    if (s.same(r.project, whole)) continue;
    const std::string_view key = s.key;
    const bool follows = (key == "activeCameraId" && !vk::findObjectById(opened, whole.scene.activeCameraId)) ||
                         (key == "activeCameraId" && unseen && touched < fileObjects &&
                          whole.scene.objects[touched].id == whole.scene.activeCameraId) ||
                         (key == "timelineSettings" &&
                          !vk::findObjectById(opened, whole.scene.timelineSettings.focusObjectId));
    if (follows) continue;
    const bool own = touchesSetting(laid.settings[k], d, laid.text, laid.lineBreak);
    if (unseen ? own : s.same(r.project, defaults) && (!laid.lines || own)) {
      defaulted += !unseen;
    } else {
      ++wrong;
      fault += std::string(" setting ") + s.key;
    }
  }
  f.settingsWrong += wrong;
  // A setting whose file value is its default may be counted unseen.
  if (r.damagedSettingsLeftOut < defaulted) boxWrong = true;
  if (!unseen && laid.lines && r.damagedSettingsLeftOut > defaulted) {
    size_t touchedAtDefault = 0;
    for (size_t k = 0; k < std::size(kSettings); ++k)
      touchedAtDefault += kSettings[k].same(whole, defaults) &&
                          touchesSetting(laid.settings[k], d, laid.text, laid.lineBreak);
    boxWrong |= r.damagedSettingsLeftOut > defaulted + touchedAtDefault;
  }
  if (boxWrong) {
    ++f.boxWrong;
    fault += " box " + std::to_string(read) + "+" + std::to_string(r.damagedObjectsLeftOut) +
             (r.objectsAfterFaultLeftOut ? "+rest" : "") + " settings " + std::to_string(r.damagedSettingsLeftOut);
  }
  return fault;
}

// Under the sanitizers, which read some forty times slower, every byte
// takes one of the damages in turn, and only every twentieth byte inside
// the objects. Inside the objects of the two-blank layout, whose lines the
// damaged reader walks as the writer's, every other byte is damaged. The
// copies with CR LF line ends or no final line break
// differ from the writer's layout only in their lines: inside the objects
// they take every twentieth byte's damage, the CR LF copy takes every damage
// only at its line breaks and the byte before each (one in turn elsewhere),
// and the ones with no final line break are damaged only from their last
// object's closing brace on.
constexpr size_t kInsideStride = vk::test::kSanitized ? 20 : 1;
constexpr size_t kTwoBlankInsideStride = vk::test::kSanitized ? 20 : 2;
constexpr size_t kLineCopyStride = 20;

class DamageSweep : public vk::SceneTest {};

// The text with CR LF line ends, and where each byte of the text went.
std::string withCarriageReturns(std::string_view text, std::vector<size_t>& moved) {
  std::string out;
  moved.clear();
  for (const char c : text) {
    moved.push_back(out.size() + (c == '\n'));
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A small file: the new project's camera and light, each with two keys (its
// cube's mesh would make the file three times as long), an empty whose odd
// name closes an object, the array and the document, parented to the
// camera, and every setting off its default but the phase and schema.
TEST_F(DamageSweep, EveryByteDamagedCostsAtMostTheOneObjectItTouches) {
  vk::Project& project = app().project;
  vk::addObject(vk::ObjectKind::Empty, L"]}]}\"\" Rig \"a\" [1], {b}");
  vk::ObjectList& objects = project.scene.objects;
  objects.erase(std::as_const(objects).begin());
  objects[2].parentId = std::as_const(objects)[0].id;
  for (const int frame : {1, 24}) {
    vk::CameraKeyframe cameraKey;
    cameraKey.id = L"ckey-" + std::to_wstring(frame);
    cameraKey.frame = frame;
    cameraKey.settings.fov = 30 + frame;
    objects[0].cameraAnimation.keyframes.push_back(cameraKey);
    vk::LightKeyframe lightKey;
    lightKey.id = L"lkey-" + std::to_wstring(frame);
    lightKey.frame = frame;
    lightKey.settings.intensity = frame;
    objects[1].lightAnimation.keyframes.push_back(lightKey);
  }
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
  ASSERT_EQ(whole.project.scene.objects[1].lightAnimation.keyframes.size(), 2u);
  const vk::Project defaults = vk::deserializeProject("{\"objects\": [{}]}").project;
  std::string atDefault;
  for (const Setting& s : kSettings)
    if (s.same(whole.project, defaults)) atDefault += std::string(" ") + s.key;
  EXPECT_EQ(atDefault, " phase schema");

  // Each layout, with its spans moved where its bytes went.
  const auto laidOut = [&](const char* name, std::string text, const std::vector<size_t>& moved, bool lines) {
    const std::string_view spansIn = moved.empty() ? std::string_view(text) : std::string_view(saved);
    LaidOut laid{name, std::move(text), vk_test::savedObjectBlocks(spansIn), settingSpans(spansIn), lines, 1};
    if (moved.empty()) return laid;
    for (TextSpan& b : laid.objects) b = {moved[b.open], moved[b.close]};
    for (SettingSpan& s : laid.settings) s.text = {moved[s.text.open], moved[s.text.close]};
    return laid;
  };
  std::vector<size_t> minifiedMoved, crlfMoved;
  const std::string twoBlank = vk_test::reindented(saved);
  struct Row {
    LaidOut laid;
    size_t insideStride;
    bool endOnly;
  };
  const Row rows[] = {
      {laidOut("writer's layout", saved, {}, true), kInsideStride, false},
      {laidOut("two-blank layout", twoBlank, {}, true), kTwoBlankInsideStride, false},
      {laidOut("minified", vk_test::withoutBlanks(saved, minifiedMoved), minifiedMoved, false), kInsideStride, false},
      {laidOut("CR LF", withCarriageReturns(saved, crlfMoved), crlfMoved, true), kLineCopyStride, false},
      {laidOut("writer's, no end", saved.substr(0, saved.size() - 1), {}, true), kLineCopyStride, true},
      {laidOut("two-blank, no end", twoBlank.substr(0, twoBlank.size() - 1), {}, true), kLineCopyStride, true},
  };
  for (const Row& row : rows) {
    LaidOut laid = row.laid;
    if (laid.text.find('\r') != std::string::npos) laid.lineBreak = 2;
    const std::string& text = laid.text;
    ASSERT_EQ(laid.objects.size(), whole.project.scene.objects.size());
    Figures f;
    size_t faults = 0;
    // Every damage on every byte outside the objects' inner text (the
    // settings, the array's lines, the objects' braces and what lies between
    // them); inside, each byte takes one of the damages in turn, as one
    // damage inside an object is judged the same wherever it lies.
    constexpr std::string_view kPuts("\"{}[],:\na7\0", 11);
    size_t turn = 0;
    for (size_t at = row.endOnly ? laid.objects.back().close : 0; at < text.size(); ++at) {
      const bool inside = std::any_of(laid.objects.begin(), laid.objects.end(),
                                      [&](const TextSpan& b) { return at > b.open && at < b.close; });
      if (inside && at % row.insideStride != 0) continue;
      const bool nearBreak = text[at] == '\r' || text[at] == '\n' || (at + 1 < text.size() && text[at + 1] == '\r');
      const bool inTurn = inside || vk::test::kSanitized || (laid.lineBreak == 2 && !nearBreak);
      for (size_t way = 0; way < 2 * kPuts.size(); ++way) {
        if (inTurn && way != turn % (2 * kPuts.size())) continue;
        const char put = kPuts[way / 2];
        OneByteDamage d{way % 2 ? OneByteDamage::Insert : OneByteDamage::Overwrite, at, put};
        if (put == '\0') {
          if (d.kind == OneByteDamage::Insert) continue;
          d.kind = OneByteDamage::Delete;
        } else if (d.kind == OneByteDamage::Overwrite && text[at] == put) {
          continue;
        }
        const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(text, d));
        const std::string fault = judge(whole.project, defaults, laid, d, r, f);
        if (!fault.empty() && ++faults <= 40) {
          ADD_FAILURE() << laid.name << ": " << "DOI"[d.kind] << " '" << (put == '\n' ? "\\n" : std::string(1, put))
                        << "' at " << at << ":" << fault << "\n  "
                        << text.substr(at - std::min<size_t>(at, 30), 30) << "|" << text.substr(at, 30);
        }
      }
      turn += inTurn;
    }
    std::printf("%-18s %7zu copies %7zu opened %7zu unseen %6zu refused %4zu lost %4zu changed %4zu made up "
                "%4zu settings %4zu boxes wrong\n",
                laid.name, f.copies, f.opened, f.unseen, f.refused, f.lost, f.changed, f.madeUp, f.settingsWrong,
                f.boxWrong);
    EXPECT_EQ(faults, 0u) << laid.name;
  }
}

}  // namespace
