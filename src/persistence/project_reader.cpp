// The project file reader: document header, scene, objects, the fresh ids
// that keep object ids unique, and whether the text was whole. Sub-blocks:
// project_reader_blocks.cpp.
#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "model/curves.h"
#include "model/import_guards.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/texture_paths.h"
#include "persistence/persistence.h"
#include "persistence/project_internal.h"

namespace vk {
namespace {

ObjectKind kindFromName(const std::wstring& name) {
  static const std::pair<const wchar_t*, ObjectKind> kinds[] = {
      {L"Camera", ObjectKind::Camera}, {L"Light", ObjectKind::Light}, {L"Empty", ObjectKind::Empty},
      {L"Text", ObjectKind::Text},     {L"Curve", ObjectKind::Curve}, {L"Group", ObjectKind::Group}};
  for (const auto& [text, kind] : kinds) {
    if (name == text) return kind;
  }
  return ObjectKind::Mesh;
}

// Runs `read` on the index of the member's object value, when there is one.
template <class Read>
bool withBlock(const JsonObjectIndex& parent, std::string_view key, Read&& read) {
  const auto text = findNestedObject(parent, key);
  if (!text) return false;
  read(indexNested(parent, *text));
  return true;
}

void readScene(const JsonObjectIndex& doc, Scene& scene) {
  withBlock(doc, "scene", [&](const JsonObjectIndex& s) {
    scene.id = findString(s, "id", scene.id);
    scene.name = findString(s, "name", scene.name);
    scene.activeCollectionId = findString(s, "activeCollectionId", scene.activeCollectionId);
    scene.activeCameraId = findCopiedText(s, "activeCameraId", kIdTextCopies, scene.activeCameraId);
    scene.viewportShadingMode = viewportShadingFromString(
        findPrefix(s, "viewportShadingMode", kComparedTextChars, viewportShadingKey(scene.viewportShadingMode)));

    withBlock(s, "renderSettings", [&](const JsonObjectIndex& b) {
      RenderSettings& r = scene.renderSettings;
      r.source = findPrefix(b, "source", kComparedTextChars, r.source);
      r.outputWidth = std::clamp(findWhole(b, "outputWidth", r.outputWidth), 64, 4096);
      r.outputHeight = std::clamp(findWhole(b, "outputHeight", r.outputHeight), 64, 4096);
      r.cropCameraFrame = findBool(b, "cropCameraFrame", r.cropCameraFrame);
      sanitizeRenderSettings(r);
    });
    withBlock(s, "timelineSettings", [&](const JsonObjectIndex& b) {
      TimelineBridge& t = scene.timelineSettings;
      t.schema = findString(b, "schema", t.schema);
      t.frameStart = findWhole(b, "frameStart", t.frameStart);
      t.frameEnd = findWhole(b, "frameEnd", t.frameEnd);
      t.currentFrame = findWhole(b, "currentFrame", t.currentFrame);
      t.fps = findNumber(b, "fps", t.fps);
      t.loopPlayback = findBool(b, "loopPlayback", t.loopPlayback);
      t.showTimelinePanel = findBool(b, "showTimelinePanel", t.showTimelinePanel);
      t.focusObjectId = findCopiedText(b, "focusObjectId", kIdTextCopies, t.focusObjectId);
      t.bridgeMode = findString(b, "bridgeMode", t.bridgeMode);
      sanitizeTimelineState(t);
    });
    withBlock(s, "presetBrowser", [&](const JsonObjectIndex& b) {
      PresetBrowserState& p = scene.presetBrowser;
      p.schema = findString(b, "schema", p.schema);
      p.visible = findBool(b, "visible", p.visible);
      p.categoryFilter = findPrefix(b, "categoryFilter", kComparedTextChars, p.categoryFilter);
      p.selectedPresetId = findSingleLine(b, "selectedPresetId", kBrowserSelectionIdCharLimit, p.selectedPresetId);
      p.lastPreviewStatus = findSingleLine(b, "lastPreviewStatus", kPresetBrowserStatusCharLimit, p.lastPreviewStatus);
      p.previewOnly = 1;
      sanitizePresetBrowserState(p);
    });
    withBlock(s, "capsuleBrowser", [&](const JsonObjectIndex& b) {
      CapsuleBrowserState& c = scene.capsuleBrowser;
      c.schema = findString(b, "schema", c.schema);
      c.visible = findBool(b, "visible", c.visible);
      c.categoryFilter = findPrefix(b, "categoryFilter", kComparedTextChars, c.categoryFilter);
      c.selectedCapsuleId = findSingleLine(b, "selectedCapsuleId", kBrowserSelectionIdCharLimit, c.selectedCapsuleId);
      c.lastPreviewStatus = findSingleLine(b, "lastPreviewStatus", kCapsuleBrowserStatusCharLimit, c.lastPreviewStatus);
      c.lastAppliedCapsuleId =
          findSingleLine(b, "lastAppliedCapsuleId", kBrowserSelectionIdCharLimit, c.lastAppliedCapsuleId);
      c.appliedCapsuleCount = findWhole(b, "appliedCapsuleCount", c.appliedCapsuleCount);
      c.previewArmed = findBool(b, "previewArmed", c.previewArmed);
      sanitizeCapsuleBrowserState(c);
    });
  });
}

// The settings before the objects: the document's own and the scene's.
void readHeader(const JsonObjectIndex& doc, Project& project) {
  project.name = findString(doc, "name", project.name);
  project.phase = jsonWholeNumber(findNumber(doc, "phase", 66100));
  project.schema = jsonWholeNumber(findNumber(doc, "schema", 66100));
  readScene(doc, project.scene);
}

// Reads one object item and runs its mesh guard. What it builds is charged to
// the item's budget, which it leaves exceeded when it needed more;
// `meshPassed` then tells whether the mesh was what passed it.
Object readObject(const JsonObjectIndex& item, bool& meshPassed) {
  JsonReadBudget& budget = *item.budget;
  Object o;
  o.id = findCopiedText(item, "id", kIdTextCopies, L"obj-imported");
  o.name = findCopiedText(item, "name", kPreviewedTextCopies, L"Object");
  o.kind = kindFromName(findPrefix(item, "kind", kComparedTextChars, L"Mesh"));
  o.collectionId = findString(item, "collectionId", L"col-001");
  o.parentId = findCopiedText(item, "parentId", kIdTextCopies, L"");
  o.visible = findBool(item, "visible", true);
  o.locked = findBool(item, "locked", false);
  o.importedMeshReadOnly = findBool(item, "importedMeshReadOnly", false);
  o.importedMeshConvertedEditable = findBool(item, "importedMeshConvertedEditable", false);
  o.importedMeshSafeSelectionOnly = findBool(item, "importedMeshSafeSelectionOnly", false);
  o.importedMeshEditSafety = findSingleLine(item, "importedMeshEditSafety", kImportedMeshEditSafetyCharLimit, L"");
  o.importedAssetSourcePath = findString(item, "importedAssetSourcePath", L"");
  o.importedAssetOriginalName = findString(item, "importedAssetOriginalName", L"");
  o.importedAssetSourceKind = findString(item, "importedAssetSourceKind", L"");
  o.importedAssetImportReport = findString(item, "importedAssetImportReport", L"");
  o.importedAssetWarnings = findString(item, "importedAssetWarnings", L"");
  o.importedAssetLoadedFromProject = findBool(item, "importedAssetLoadedFromProject", false);
  o.importedAssetMissingOnLoad = findBool(item, "importedAssetMissingOnLoad", false);
  o.objectCapsuleId = findSingleLine(item, "objectCapsuleId", kCapsuleIdCharLimit, L"");
  o.objectCapsuleLabel = findSingleLine(item, "objectCapsuleLabel", kCapsuleLabelCharLimit, L"");
  o.objectCapsuleNote = findSingleLine(item, "objectCapsuleNote", kObjectCapsuleNoteCharLimit, L"");
  sanitizeObjectCapsuleFields(o);

  withBlock(item, "transform", [&](const JsonObjectIndex& b) {
    o.transform.position = findVec3(b, "position", o.transform.position);
    o.transform.rotation = findVec3(b, "rotation", o.transform.rotation);
    o.transform.scale = findVec3(b, "scale", o.transform.scale);
  });
  withBlock(item, "material", [&](const JsonObjectIndex& b) {
    Material& m = o.material;
    m.r = std::clamp(findWhole(b, "r", m.r), 0, 255);
    m.g = std::clamp(findWhole(b, "g", m.g), 0, 255);
    m.b = std::clamp(findWhole(b, "b", m.b), 0, 255);
    m.roughness = findNumber(b, "roughness", m.roughness);
    m.metallic = findNumber(b, "metallic", m.metallic);
    // Kept only as the slot made from it, which the slot sanitizer cuts.
    m.capsuleId = findSingleLine(b, "capsuleId", kCapsuleIdCharLimit, L"");
    m.capsuleLabel = findSingleLine(b, "capsuleLabel", kCapsuleLabelCharLimit, L"");
    m.capsuleNote = findSingleLine(b, "capsuleNote", kMaterialCapsuleNoteCharLimit, L"");
    loadTextureMaps(b, m);
  });
  withBlock(item, "mesh", [&](const JsonObjectIndex& b) {
    o.mesh.primitive = findCopiedText(b, "primitive", kPreviewedTextCopies, o.mesh.primitive);
    o.mesh.vertices = findWhole(b, "vertices", o.mesh.vertices);
    o.mesh.edges = findWhole(b, "edges", o.mesh.edges);
    o.mesh.faces = findWhole(b, "faces", o.mesh.faces);
  });
  withBlock(item, "camera", [&](const JsonObjectIndex& b) { o.camera = readCameraSettings(b, o.camera); });
  withBlock(item, "light", [&](const JsonObjectIndex& b) { o.light = readLightSettings(b, o.light); });

  // The slots first: the mesh reader clamps each face's material to them, so
  // no pass over a large mesh's faces is needed for that afterwards.
  loadMaterialSlots(item, o);
  sanitizeMaterialSlots(o);
  const auto slotCount = static_cast<int32_t>(o.materialSlots.slots.size());
  if (budget.exceeded) return o;
  size_t longestFace = 0;
  const bool meshFromFile = loadMeshData(item, o, slotCount, longestFace);
  meshPassed = budget.exceeded;
  if (budget.exceeded) return o;
  if (!meshFromFile) {
    initMeshData(o);
    clampFaceMaterialIndices(o.meshData, slotCount);
  }
  // The mesh is guarded (and derived) before anything weighs it. A mesh
  // from the file that the guard keeps is the object's own; a primitive's
  // arrays are shared by every object of that primitive. A quarter more
  // covers what the allocator and the arrays' growth add.
  if (applyMeshLoadGuard(o) && meshFromFile) {
    meshPassed = !budget.take(meshModelBytes(o.meshData, longestFace) / 4 * 5);
  }
  if (budget.exceeded) return o;

  if (!o.importedAssetSourcePath.empty() || !o.importedAssetImportReport.empty()) {
    o.importedAssetLoadedFromProject = true;
  }
  if (!o.importedAssetSourcePath.empty()) {
    o.importedAssetMissingOnLoad = !pathEntryExists(o.importedAssetSourcePath);
  }

  if (!loadCurveData(item, o) && o.kind == ObjectKind::Curve) {
    initCurveData(o, o.mesh.primitive == L"Curve" ? std::wstring(L"Line") : o.mesh.primitive);
  }
  loadModifierStack(item, o);
  if (phase65FromGltfImport(o)) {
    if (o.importedMeshEditSafety.empty()) phase65EditSafetyNote(o);
    o.importedMeshSafeSelectionOnly = o.importedMeshSafeSelectionOnly || phase65HighPolyForEdit(o.meshData) ||
                                      proxyMeshIsDense(o.meshData);
  }
  sanitizeModifierStack(o);
  loadTransformAnimation(item, o);
  loadCameraAnimation(item, o);
  loadLightAnimation(item, o);
  sanitizeTransformKeyTrack(o);
  sanitizeCameraKeyframes(o);
  sanitizeLightKeyframes(o);
  return o;
}

// Objects with an empty id, or one an earlier object already holds, would be
// unreachable by id: they get fresh "obj-" ids above every number in use.
void makeObjectIdsUnique(Scene& scene) {
  int64_t highest = 0;
  for (const Object& o : scene.objects) highest = std::max(highest, objectIdNumber(o.id).value_or(0));
  auto counter = static_cast<uint32_t>(std::min<int64_t>(highest + 1, UINT32_MAX));
  // Every id held at the start stays taken (its first holder keeps it), so
  // one set answers what a scan of the scene would, in constant time. The
  // sets hold views of the ids: a first holder's id is never reassigned.
  std::unordered_set<std::wstring_view> taken, seen;
  taken.reserve(scene.objects.size() * 2);
  seen.reserve(scene.objects.size() * 2);
  for (const Object& o : std::as_const(scene.objects))
    if (!o.id.empty()) taken.insert(o.id);
  for (Object& o : scene.objects) {
    if (!o.id.empty() && seen.insert(o.id).second) continue;
    o.id = makeUniqueObjectId(taken, counter);
    taken.insert(o.id);
    seen.insert(o.id);
  }
}

}  // namespace

Vec3 findVec3(const JsonObjectIndex& object, std::string_view key, const Vec3& fallback) {
  const auto text = findNestedObject(object, key);
  if (!text) return fallback;
  static constexpr std::string_view kAxes[3] = {"x", "y", "z"};
  double values[3] = {fallback.x, fallback.y, fallback.z};
  readJsonNumberMembers(*text, kAxes, 3, values, object.table);
  return {values[0], values[1], values[2]};
}

namespace {


// The document's own "objects" array, from its '['; empty when it has none.
std::string_view objectsArray(const JsonObjectIndex& doc) {
  const JsonMember* objects = doc.find("objects");
  if (!objects || objects->value.empty() || objects->value.front() != '[') return {};
  return objects->value;
}

// The contents of that array.
std::string_view objectsContents(const JsonObjectIndex& doc) {
  const JsonMember* objects = doc.find("objects");
  std::string_view contents = objectsArray(doc);
  if (contents.empty()) return {};
  // A truncated document still gives the items completed before its end.
  contents.remove_prefix(1);
  if (objects->closed) contents.remove_suffix(1);
  return contents;
}

std::vector<std::string_view> objectItems(const JsonObjectIndex& doc) {
  return extractJsonObjectItems(objectsContents(doc), doc.table);
}

// The items extractJsonObjectItems would give, counted without keeping any.
size_t countObjectItems(const JsonObjectIndex& doc) {
  size_t count = 0;
  forEachJsonElement(
      objectsContents(doc), [&](std::string_view element, bool closed) { count += closed && element.front() == '{'; },
      doc.table);
  return count;
}

// Whether the text is one whole project, from where the scan found each
// closer: the document opens with '{' and closes with '}', its "objects"
// array with ']' and every item read with '}', only blanks lie outside it,
// and the grammar check found it well-formed. An item
// the text ends inside leaves the array and the document open too; only the
// trailing blanks are scanned again.
ProjectTextDamage textDamage(std::string_view text, const JsonObjectIndex& doc,
                             const std::vector<std::string_view>& items, bool wellFormed) {
  const size_t start = json_detail::skipSpace(text, 0);
  if (start == text.size() || text[start] != '{') return ProjectTextDamage::TextOutside;
  const auto end = jsonContainerEnd(text, start, doc.table);
  if (!end || text[*end - 1] != '}') return ProjectTextDamage::Unclosed;
  const JsonMember* objects = doc.find("objects");
  if (objects && objects->value.starts_with('[') && (!objects->closed || !objects->value.ends_with(']')))
    return ProjectTextDamage::Unclosed;
  for (std::string_view item : items)
    if (!item.ends_with('}')) return ProjectTextDamage::Unclosed;
  if (json_detail::skipSpace(text, *end) != text.size()) return ProjectTextDamage::TextOutside;
  return wellFormed ? ProjectTextDamage::None : ProjectTextDamage::NotWellFormed;
}

// Reads the settings of a damaged text from text whose brackets are its
// own: the text before its objects, closed, or the settings whose own text
// is whole. False when there is none (another layout damaged before its
// objects) or the budget ran out; the strings are counted before they are
// built.
bool readDamagedHeader(std::string_view text, const DamagedObjectItems& kept, JsonReadBudget& budget,
                       ProjectLoadResult& result) {
  if (kept.headerEnd == std::string_view::npos) return false;
  const uint64_t textBytes = 2 * uint64_t{kept.headerEnd} + 64;
  if (!budget.take(textBytes)) return false;
  const std::string header =
      damagedTextHeader(text.substr(0, kept.headerEnd), kept.layout, result.damagedSettingsLeftOut);
  if (header.empty()) return false;
  const JsonBracketTable table = buildJsonBracketTable(header);
  const uint64_t tableBytes = table.spans.capacity() * sizeof(JsonBracketTable::Span);
  if (!budget.take(tableBytes)) return false;
  JsonObjectIndex doc = indexJsonObject(header, &table);
  doc.budget = &budget;
  result.project = Project{};
  readHeader(doc, result.project);
  if (budget.exceeded) return false;
  budget.giveBack(textBytes + tableBytes);
  return true;
}

// Where the document starts: after a UTF-8 byte order mark, which editors
// put before a file they save; at the first '{' when the text before it is
// a stray word or character (holds no quote, so no member the document
// could have lost its brace before). `textBefore` tells that such text was
// passed over.
size_t documentStart(std::string_view text, bool& textBefore) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  const size_t from = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  const size_t start = json_detail::skipSpace(text, from);
  textBefore = false;
  if (start == text.size() || text[start] == '{') return from;
  const size_t brace = text.find('{', start);
  if (brace == std::string_view::npos || text.substr(start, brace - start).find('"') != std::string_view::npos)
    return from;
  textBefore = true;
  return brace;
}

}  // namespace

ProjectLoadResult deserializeProject(std::string_view text) {
  ProjectLoadResult result;
  Project& project = result.project;
  bool textBefore = false;
  text.remove_prefix(documentStart(text, textBefore));
  // The grammar is checked beside the reader (on a thread of its own for a
  // large text); its verdict is asked for once the objects are read.
  JsonGrammarCheck wellFormed;
  JsonBracketTable table = buildJsonBracketTable(text, wellFormed);
  JsonObjectIndex doc = indexJsonObject(text, &table);
  if (countObjectItems(doc) > kProjectObjectLimit) {
    result.overObjectBudget = true;
    return result;
  }
  // The text, its bracket table and what is built from them stay within the
  // reader's bound: every text is counted before it is decoded, every mesh
  // and list of entries before it is stored. The bound counts no shared
  // primitive.
  const uint64_t tableBytes = table.spans.capacity() * sizeof(JsonBracketTable::Span);
  const uint64_t bound = kProjectMemoryLimitFactor * uint64_t{text.size()} + kProjectMemoryLimitFixedBytes;
  JsonReadBudget budget{bound - std::min(bound, text.size() + tableBytes)};
  doc.budget = &budget;
  const auto refuse = [&](bool byTexts = true) {
    result.project = Project{};
    result.overMemoryBudget = true;
    result.textsOverMemoryBudget = byTexts;
    return result;
  };

  readHeader(doc, project);
  if (budget.exceeded) return refuse();

  Scene& scene = project.scene;
  scene.collections.clear();
  scene.objects.clear();
  std::vector<std::string_view> items = objectItems(doc);
  // A saved empty project has its "objects" array and "scene" block and nothing else.
  bool emptyProject = findNestedArray(doc, "objects") && findNestedObject(doc, "scene");
  // Reads the items into the scene, each through the text's table or, for a
  // damaged text, through a table of its own text, charged while the item
  // is read. False when the budget ran out (`meshPassed`: the mesh did).
  bool meshPassed = false;
  const auto readItems = [&](bool ownTables) {
    scene.objects.reserve(items.size());
    for (std::string_view itemText : items) {
      JsonBracketTable own;
      uint64_t ownBytes = 0;
      if (ownTables) {
        own = buildJsonBracketTable(itemText);
        ownBytes = own.spans.capacity() * sizeof(JsonBracketTable::Span);
        if (!budget.take(ownBytes)) return false;
      }
      JsonObjectIndex item = indexJsonObject(itemText, ownTables ? &own : &table);
      item.budget = &budget;
      scene.objects.push_back(readObject(item, meshPassed));
      if (budget.exceeded) return false;
      budget.giveBack(ownBytes);
    }
    return true;
  };

  // A whole text, by far the usual one, is read while its grammar is
  // checked; only then does the verdict count.
  const JsonReadBudget budgetBeforeObjects = budget;
  const bool read = readItems(false);
  bool whole = wellFormed.wellFormed();
  result.damage = textBefore ? ProjectTextDamage::TextOutside : textDamage(text, doc, items, whole);
  // A well-formed text with no "objects" array may show one in the
  // writer's layout, whose name was damaged: it is read as damaged.
  if (whole && items.empty() && !emptyProject) {
    whole = false;
    result.damage = ProjectTextDamage::ArrayNameDamaged;
  }
  // So may the scene block's: its settings are then read as damaged ones,
  // never left at their defaults unsaid.
  const bool sceneMisnamed = whole && sceneNameDamaged(doc);
  if (sceneMisnamed) {
    whole = false;
    result.damage = ProjectTextDamage::SceneNameDamaged;
  }
  // A damaged text with CR line ends is read from a copy with LF ends; the
  // objects read from it refer into it to the end.
  std::string lineFeeds;
  if (whole) {
    if (!read) return refuse(!meshPassed);
  } else {
    // Past the damage the table pairs brackets that are not pairs: what it
    // gave goes, and each object whose own text is whole is read again
    // through a table of that text.
    scene.objects.clear();
    budget = budgetBeforeObjects;
    meshPassed = false;
    if (text.find('\r') != std::string_view::npos) {
      if (!budget.take(text.size())) return refuse();
      lineFeeds = withLineFeeds(text);
      text = lineFeeds;
      table = buildJsonBracketTable(text);
      doc = indexJsonObject(text, &table);
      doc.budget = &budget;
      items = objectItems(doc);
    }
    DamagedObjectItems kept = damagedObjectItems(text, objectsArray(doc), items, kProjectObjectLimit);
    if (kept.items.size() > kProjectObjectLimit) {
      result.overObjectBudget = true;
      result.project = Project{};
      return result;
    }
    items = std::move(kept.items);
    result.damagedObjectsLeftOut = kept.leftOut;
    result.objectsAfterFaultLeftOut = kept.restLeftOut;
    if (kept.endsEarly) {
      result.damage = ProjectTextDamage::EndsEarly;
      result.endsInsideObjects = kept.objectsMayFollow;
    }
    // A damaged text that keeps no object is refused, never opened empty:
    // Save would write that empty project over the file.
    emptyProject = false;
    std::vector<JsonBracketTable::Span>().swap(table.spans);
    budget.giveBack(tableBytes);
    if (items.empty() || !readDamagedHeader(text, kept, budget, result)) {
      if (budget.exceeded) return refuse();
      result.damage = ProjectTextDamage::None;
      return result;
    }
  }
  if (items.empty() && !emptyProject) {
    result.damage = ProjectTextDamage::None;
    return result;
  }
  if (!whole && !readItems(true)) return refuse(!meshPassed);
  makeObjectIdsUnique(scene);
  if (result.damagedObjectsLeftOut > 0 || result.objectsAfterFaultLeftOut) clearParentsLeftOut(scene);
  Collection collection;
  for (const Object& o : scene.objects) collection.objectIds.push_back(o.id);
  scene.collections.push_back(std::move(collection));
  applyProjectLoadGuards(project, project.schema);
  scene.objects.settle();  // a fresh project: its first snapshots may share every object
  result.usable = true;
  return result;
}

}  // namespace vk
