// The preview list of one object: Mirror and Array add copies, Lattice adds
// cages, the deforming kinds rebuild every mesh-like element. Nothing
// survives a call; the viewport keeps the result until the object changes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/math.h"
#include "model/modifier_kind_table.h"
#include "model/mesh_data.h"
#include "model/text_utils.h"
#include "shading/modifiers.h"
#include "shading/shading_internal.h"

namespace vk {

namespace {

bool meshLike(const Object& object) { return object.kind == ObjectKind::Mesh || object.kind == ObjectKind::Text; }

void addColour(Material& material, int dr, int dg, int db) {
  auto add = [](std::int32_t& channel, int delta) {
    channel = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{channel} + delta, 255));
  };
  add(material.r, dr);
  add(material.g, dg);
  add(material.b, db);
}

// Parameters read with their creation defaults as fallbacks; the whole-numbered
// ones rounded into their range.
double numberOf(const Modifier& entry, ModifierKind kind, std::wstring_view key) {
  const ModifierParamSpec& spec = modifierParamSpec(kind, key);
  return modifierNumberParam(entry, std::wstring(key), spec.number);
}

bool flagOf(const Modifier& entry, ModifierKind kind, std::wstring_view key) {
  return modifierBoolParam(entry, std::wstring(key), modifierParamSpec(kind, key).number != 0.0);
}

int wholeOf(const Modifier& entry, ModifierKind kind, std::wstring_view key) {
  const ModifierParamSpec& spec = modifierParamSpec(kind, key);
  return roundedModifierCount(modifierNumberParam(entry, std::wstring(key), spec.number), static_cast<int>(spec.min),
                              static_cast<int>(spec.max));
}

template <class T>
bool sameArray(const Cow<T>& a, const Cow<T>& b) {
  return a.sharesWith(b) || (a.empty() && b.empty());
}

// Two elements whose meshes are the same arrays (copies of one another) give
// the same builder result; identity, not contents, so the test is O(1).
bool sameMeshInput(const Object& a, const Object& b) {
  const MeshData& x = a.meshData;
  const MeshData& y = b.meshData;
  return sameArray(x.vertices, y.vertices) && sameArray(x.faces, y.faces) && sameArray(x.edges, y.edges) &&
         sameArray(x.normals, y.normals) && sameArray(x.uvs, y.uvs) && sameArray(x.uvPlaceholders, y.uvPlaceholders) &&
         sameArray(x.faceMaterialIndices, y.faceMaterialIndices) && x.schema == y.schema &&
         x.boundsMin == y.boundsMin && x.boundsMax == y.boundsMax && x.normalsValid == y.normalsValid &&
         x.boundsValid == y.boundsValid && x.uvsValid == y.uvsValid && x.uvPlaceholderValid == y.uvPlaceholderValid &&
         x.degenerateFaces == y.degenerateFaces && x.validation == y.validation && a.mesh == b.mesh;
}

// The faces one evaluation builds are counted before each entry builds them;
// the entry that would take the total past the allowance is left out, with
// every later one.
struct FaceSpend {
  std::size_t allowance = kModifierEvaluationFaceLimit;
  std::size_t total = 0;  // predicted for the entries taken
  std::size_t wanted = 0;  // with the entry that did not fit
  bool stopped = false;
  // Takes `faces` or refuses them for good.
  bool take(std::size_t faces) {
    if (stopped) return false;
    if (faces > allowance - total) {
      stopped = true;
      wanted = faces > SIZE_MAX - total ? SIZE_MAX : total + faces;
      return false;
    }
    total += faces;
    return true;
  }
};

// `build` rebuilds one element in place; `predict` says how many faces it
// would make. The builder runs once per distinct input mesh and its result
// is shared by every element holding that mesh.
template <class Build, class Predict>
void deformMeshLike(std::vector<Object>& list, FaceSpend& spend, Build build, Predict predict, int dr, int dg,
                    int db) {
  std::vector<std::size_t> inputs;  // the first element holding each distinct mesh
  std::vector<std::size_t> source(list.size(), 0);
  std::size_t predicted = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Object& element = list[i];
    if (!meshLike(element)) continue;
    auto same = std::find_if(inputs.begin(), inputs.end(),
                             [&](std::size_t first) { return sameMeshInput(list[first], element); });
    if (same != inputs.end()) {
      source[i] = static_cast<std::size_t>(same - inputs.begin());
      continue;
    }
    source[i] = inputs.size();
    inputs.push_back(i);
    const std::size_t faces = predict(element);
    predicted = faces > SIZE_MAX - predicted ? SIZE_MAX : predicted + faces;
  }
  if (!spend.take(predicted)) return;
  struct Built {
    MeshData mesh;
    MeshPrimitiveInfo info;
  };
  std::vector<Built> built;
  built.reserve(inputs.size());
  for (std::size_t first : inputs) {
    Object work = list[first];
    build(work);
    built.push_back(Built{std::move(work.meshData), std::move(work.mesh)});
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    Object& element = list[i];
    if (!meshLike(element)) continue;
    element.meshData = built[source[i]].mesh;
    element.mesh = built[source[i]].info;
    addColour(element.material, dr, dg, db);
  }
}

void appendMirrorCopies(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend&) {
  bool x = flagOf(entry, ModifierKind::mirror, L"axisX");
  const bool y = flagOf(entry, ModifierKind::mirror, L"axisY");
  const bool z = flagOf(entry, ModifierKind::mirror, L"axisZ");
  if (!x && !y && !z) x = true;
  const int mask = (x ? 1 : 0) | (y ? 2 : 0) | (z ? 4 : 0);
  const std::size_t before = list.size();
  std::vector<Object> made;
  for (std::size_t e = 0; e < before; ++e) {
    for (int s = 1; s <= 7; ++s) {
      if (s & ~mask) continue;
      if (before + made.size() >= kModifierPreviewObjectLimit) break;
      Object copy = list[e];
      copy.id += L"-mirror-preview" + std::to_wstring(s);
      copy.name += L" Mirror Preview";
      Transform& t = copy.transform;
      if (s & 1) t.position.x = -t.position.x, t.scale.x = -t.scale.x;
      if (s & 2) t.position.y = -t.position.y, t.scale.y = -t.scale.y;
      if (s & 4) t.position.z = -t.position.z, t.scale.z = -t.scale.z;
      copy.material.r = 76, copy.material.g = 202, copy.material.b = 255;
      made.push_back(std::move(copy));
    }
  }
  std::move(made.begin(), made.end(), std::back_inserter(list));
}

void appendArrayCopies(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend&) {
  constexpr auto kind = ModifierKind::array;
  const int count = wholeOf(entry, kind, L"count");
  const Vec3 offset{numberOf(entry, kind, L"offsetX"), numberOf(entry, kind, L"offsetY"),
                    numberOf(entry, kind, L"offsetZ")};
  const std::size_t before = list.size();
  std::vector<Object> made;
  for (std::size_t e = 0; e < before; ++e) {
    for (int k = 1; k < count; ++k) {
      if (before + made.size() >= kModifierPreviewObjectLimit) break;
      Object copy = list[e];
      copy.id += L"-array-preview" + std::to_wstring(k);
      copy.name += L" Array Preview";
      copy.transform.position += offset * static_cast<double>(k);
      copy.material.r = 120, copy.material.g = 190, copy.material.b = 255;
      made.push_back(std::move(copy));
    }
  }
  std::move(made.begin(), made.end(), std::back_inserter(list));
}

void appendLatticeCages(std::vector<Object>& list, const Object& object, const Modifier& entry, FaceSpend& spend) {
  if (!meshLike(object)) return;
  const int cells = wholeOf(entry, ModifierKind::lattice, L"cells");
  const std::size_t before = list.size();
  std::size_t cages = 0;
  for (std::size_t e = 0; e < before && before + cages < kModifierPreviewObjectLimit; ++e) cages += meshLike(list[e]) ? 1 : 0;
  if (!spend.take(6 * cages)) return;  // a box each
  std::vector<Object> made;
  for (std::size_t e = 0; e < before; ++e) {
    if (!meshLike(list[e])) continue;
    if (before + made.size() >= kModifierPreviewObjectLimit) break;
    made.push_back(makeLatticeCagePreview(list[e], cells));
  }
  std::move(made.begin(), made.end(), std::back_inserter(list));
}

void bevel(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend& spend) {
  const double amount = numberOf(entry, ModifierKind::bevel, L"amount");
  const int segments = wholeOf(entry, ModifierKind::bevel, L"segments");
  deformMeshLike(
      list, spend, [&](Object& e) { applyModifierPreviewBevel(e, amount, segments); }, predictBevelFaces, 22, 12, 0);
}

void solidify(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend& spend) {
  const double thickness = numberOf(entry, ModifierKind::solidify, L"thickness");
  const double offset = numberOf(entry, ModifierKind::solidify, L"offset");
  deformMeshLike(
      list, spend, [&](Object& e) { applyModifierPreviewSolidify(e, thickness, offset); }, predictSolidifyFaces, 0, 0,
      24);
}

void subdivision(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend& spend) {
  const int levels = wholeOf(entry, ModifierKind::subdivision, L"viewportLevels");
  const double smoothness = numberOf(entry, ModifierKind::subdivision, L"smoothness");
  deformMeshLike(
      list, spend, [&](Object& e) { applyModifierPreviewSubdivision(e, levels, smoothness); },
      [&](const Object& e) { return predictSubdivisionFaces(e, levels); }, 16, 22, 32);
}

// Every axis deformer reads a missing axis as Y, Bend too (it is created with Z).
std::wstring axisOf(const Modifier& entry) { return modifierTextParam(entry, L"axis", L"Y"); }

void bend(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend& spend) {
  const std::wstring axis = axisOf(entry);
  const double angle = numberOf(entry, ModifierKind::bend, L"angle");
  deformMeshLike(
      list, spend, [&](Object& e) { applyModifierPreviewBend(e, axis, angle); }, predictDeformFaces, 0, 30, 0);
}

void twist(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend& spend) {
  const std::wstring axis = axisOf(entry);
  const double angle = numberOf(entry, ModifierKind::twist, L"angle");
  deformMeshLike(
      list, spend, [&](Object& e) { applyModifierPreviewTwist(e, axis, angle); }, predictDeformFaces, 26, 0, 26);
}

void taper(std::vector<Object>& list, const Object&, const Modifier& entry, FaceSpend& spend) {
  const std::wstring axis = axisOf(entry);
  const double strength = numberOf(entry, ModifierKind::taper, L"strength");
  deformMeshLike(
      list, spend, [&](Object& e) { applyModifierPreviewTaper(e, axis, strength); }, predictDeformFaces, 0, 18, 24);
}

// One evaluator per kind, each row naming its kind: the rows may come in
// any order, and a kind of the kinds table with no row, or with two, does
// not compile.
using Evaluator = void (*)(std::vector<Object>& list, const Object& object, const Modifier& entry, FaceSpend& spend);
struct EvaluatorRow {
  ModifierKind kind;
  Evaluator evaluate;
};
constexpr EvaluatorRow kEvaluatorRows[] = {
    {ModifierKind::mirror, appendMirrorCopies}, {ModifierKind::array, appendArrayCopies},
    {ModifierKind::bevel, bevel},               {ModifierKind::solidify, solidify},
    {ModifierKind::subdivision, subdivision},   {ModifierKind::bend, bend},
    {ModifierKind::twist, twist},               {ModifierKind::taper, taper},
    {ModifierKind::lattice, appendLatticeCages},
};
static_assert([] {
  for (std::size_t kind = 0; kind < kModifierKindCount; ++kind) {
    std::size_t rows = 0;
    for (const EvaluatorRow& row : kEvaluatorRows) rows += static_cast<std::size_t>(row.kind) == kind ? 1 : 0;
    if (rows != 1) return false;
  }
  return std::size(kEvaluatorRows) == kModifierKindCount;
}(), "every modifier kind needs exactly one evaluator row");
// The rows by kind.
constexpr auto kEvaluators = [] {
  std::array<Evaluator, kModifierKindCount> byKind{};
  for (const EvaluatorRow& row : kEvaluatorRows) byKind[static_cast<std::size_t>(row.kind)] = row.evaluate;
  return byKind;
}();

bool deformingEntry(const Modifier& m) { return m.enabled && m.known && isDeformingModifierName(m.type); }

}  // namespace

bool objectNeedsModifierPreview(const Object& object) {
  if (!meshLike(object)) return false;
  const auto& entries = object.modifierStack.entries;
  return std::any_of(entries.begin(), entries.end(), deformingEntry);
}

Object modifierPreviewSeed(const Object& object) {
  Object seed;
  seed.id = object.id;
  seed.name = object.name;
  seed.kind = object.kind;
  seed.objectCapsuleId = object.objectCapsuleId;  // the proxy path reads the import's marks
  seed.objectCapsuleNote = object.objectCapsuleNote;
  seed.transform = object.transform;
  seed.material = object.material;
  seed.materialSlots = object.materialSlots;
  seed.mesh = object.mesh;
  seed.meshData = object.meshData;
  if (object.kind == ObjectKind::Curve) seed.curveData = object.curveData;
  return seed;
}

namespace {

// The first element of a preview list: the seed with its texts cut to what
// is ever shown of them, since a list holds up to kModifierPreviewObjectLimit
// copies of it and a text read from a file may be long.
Object previewElementSeed(const Object& object) {
  Object seed = modifierPreviewSeed(object);
  const auto cut = [](std::wstring& text) {
    if (text.size() > kShownTextCharLimit) text = shownText(text);
  };
  for (std::wstring* text : {&seed.id, &seed.name, &seed.mesh.primitive, &seed.meshData.schema,
                             &seed.meshData.validation, &seed.curveData.schema, &seed.curveData.type,
                             &seed.curveData.summary})
    cut(*text);
  for (CurvePoint& point : seed.curveData.points) cut(point.handleType);
  const auto cutMaps = [&](Material& material) {
    for (TextureMap& map : material.textureMaps.maps)
      for (std::wstring* text : {&map.colorSpace, &map.sourceKind, &map.mimeType, &map.stagingNote}) cut(*text);
  };
  cutMaps(seed.material);
  for (Material& slot : seed.materialSlots.slots) cutMaps(slot);
  return seed;
}

}  // namespace

ModifierStackPreview evaluateModifierStackWithin(const Object& object, std::size_t faceAllowance) {
  ModifierStackPreview result;
  std::vector<Object>& list = result.list;
  const auto& entries = object.modifierStack.entries;
  if (entries.empty()) return result;
  list.push_back(previewElementSeed(object));
  // Raised by every deforming entry, also those left out, so the list
  // still stands in for the object's own drawing.
  const bool deformed = std::any_of(entries.begin(), entries.end(), deformingEntry);
  FaceSpend spend;
  spend.allowance = std::min(faceAllowance, kModifierEvaluationFaceLimit);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Modifier& entry = entries[i];
    if (!entry.enabled || !entry.known) continue;
    const ModifierKind kind = modifierKindOf(entry.type);
    if (kind == ModifierKind::unknown) continue;
    if (!spend.stopped) kEvaluators[static_cast<std::size_t>(kind)](list, object, entry, spend);
    if (spend.stopped) result.leftOut.push_back(i);
  }
  result.facesBuilt = spend.total;
  result.facesWanted = spend.stopped ? spend.wanted : spend.total;
  if (deformed) {
    for (Object& element : list) {
      element.id += L"-phase46-topology-preview";
      element.name += L" Modifier Preview";
    }
  } else {
    list.erase(list.begin());
  }
  return result;
}

std::vector<Object> evaluateModifierStack(const Object& object) {
  return evaluateModifierStackWithin(object, kModifierEvaluationFaceLimit).list;
}

std::wstring modifierLeftOutText(const Object& object, const std::vector<std::size_t>& leftOut) {
  const auto& entries = object.modifierStack.entries;
  std::wstring text;
  std::size_t named = 0;
  for (std::size_t index : leftOut) {
    if (index >= entries.size()) continue;
    if (named == 8) {
      text += L", ...";
      break;
    }
    if (named++ != 0) text += L", ";
    text += std::to_wstring(index + 1) + L". " + entries[index].displayName;
  }
  return text;
}

std::wstring modifierLeftOutStatus(const Object& object, const std::vector<std::size_t>& leftOut) {
  const auto& entries = object.modifierStack.entries;
  std::vector<std::size_t> named;
  for (std::size_t index : leftOut)
    if (index < entries.size()) named.push_back(index);
  if (named.empty()) return {};
  // The kind's key rather than the entry's own name, which a file may make long.
  const Modifier& first = entries[named.front()];
  const ModifierKindRow* row = findModifierKindRow(modifierKindOf(first.type));
  std::wstring text = L"●  Preview skips " + std::to_wstring(named.front() + 1) + L". " +
                      (row ? std::wstring(row->typeKey) : trimToSingleLine(first.type, 12));
  if (named.size() > 1) text += L", " + std::to_wstring(named.size() - 1) + L" more";
  return text;
}

std::wstring modifierPreviewsSkippedStatus(std::size_t skipped) {
  if (skipped == 0) return {};
  return L"●  " + std::to_wstring(skipped) +
         (skipped == 1 ? L" object drawn without its preview" : L" objects drawn without preview");
}

}  // namespace vk
