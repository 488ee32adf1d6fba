// The preview list of one object: Mirror and Array add copies, Lattice adds
// cages, the deforming kinds rebuild every mesh-like element. Nothing
// survives a call; the viewport keeps the result until the object changes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/math.h"
#include "shading/modifiers.h"

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
         x.boundsValid == y.boundsValid && x.uvsValid == y.uvsValid &&
         x.uvPlaceholderValid == y.uvPlaceholderValid && x.degenerateFaces == y.degenerateFaces &&
         x.validation == y.validation && a.mesh == b.mesh;
}

// Faces of the meshes the builders of one evaluation have made (a deform
// that moves vertices only counts too: it rebuilds every derived array). The
// viewport fills at most kModifierPreviewFaceBudget faces of a list, and the
// list is kept while its object is unchanged, so the work and the meshes
// kept stay within that budget.
struct FaceSpend {
  std::size_t built = 0;
  bool stopped = false;
};

template <class Build>
void deformMeshLike(std::vector<Object>& list, FaceSpend& spend, Build build, int dr, int dg, int db) {
  struct Built {
    Object input;  // only the mesh fields matter; holds the input arrays alive
    MeshData mesh;
    MeshPrimitiveInfo info;
  };
  std::vector<Built> built;
  std::vector<std::size_t> source(list.size(), 0);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Object& element = list[i];
    if (!meshLike(element)) continue;
    auto same = std::find_if(built.begin(), built.end(), [&](const Built& b) { return sameMeshInput(b.input, element); });
    if (same != built.end()) {
      source[i] = static_cast<std::size_t>(same - built.begin());
      continue;
    }
    Object work = element;
    build(work);
    const bool declined = work.meshData.vertices.sharesWith(element.meshData.vertices) &&
                          work.meshData.faces.sharesWith(element.meshData.faces);
    const std::size_t produced = declined ? 0 : work.meshData.faces.size();
    if (spend.built + produced > kModifierPreviewFaceBudget) {
      spend.stopped = true;
      return;
    }
    spend.built += produced;
    Built record;
    record.input.meshData = element.meshData;
    record.input.mesh = element.mesh;
    record.mesh = std::move(work.meshData);
    record.info = std::move(work.mesh);
    source[i] = built.size();
    built.push_back(std::move(record));
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    Object& element = list[i];
    if (!meshLike(element)) continue;
    element.meshData = built[source[i]].mesh;
    element.mesh = built[source[i]].info;
    addColour(element.material, dr, dg, db);
  }
}

void appendMirrorCopies(std::vector<Object>& list, const Modifier& entry) {
  bool x = modifierBoolParam(entry, L"axisX", true);
  const bool y = modifierBoolParam(entry, L"axisY", false);
  const bool z = modifierBoolParam(entry, L"axisZ", false);
  if (!x && !y && !z) x = true;
  const int mask = (x ? 1 : 0) | (y ? 2 : 0) | (z ? 4 : 0);
  const std::size_t before = list.size();
  std::vector<Object> made;
  for (std::size_t e = 0; e < before; ++e) {
    for (int s = 1; s <= 7; ++s) {
      if (s & ~mask) continue;
      if (before + made.size() >= kModifierPreviewLimit) break;
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

void appendArrayCopies(std::vector<Object>& list, const Modifier& entry) {
  const int count = roundedModifierCount(modifierNumberParam(entry, L"count", 3), 1, 32);
  const Vec3 offset{modifierNumberParam(entry, L"offsetX", 1.25), modifierNumberParam(entry, L"offsetY", 0.0),
                    modifierNumberParam(entry, L"offsetZ", 0.0)};
  const std::size_t before = list.size();
  std::vector<Object> made;
  for (std::size_t e = 0; e < before; ++e) {
    for (int k = 1; k < count; ++k) {
      if (before + made.size() >= kModifierPreviewLimit) break;
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

void appendLatticeCages(std::vector<Object>& list, const Modifier& entry) {
  const int cells = roundedModifierCount(modifierNumberParam(entry, L"cells", 3), 2, 8);
  const std::size_t before = list.size();
  std::vector<Object> made;
  for (std::size_t e = 0; e < before; ++e) {
    if (!meshLike(list[e])) continue;
    if (before + made.size() >= kModifierPreviewLimit) break;
    made.push_back(makeLatticeCagePreview(list[e], cells));
  }
  std::move(made.begin(), made.end(), std::back_inserter(list));
}

}  // namespace

bool objectNeedsModifierPreview(const Object& object) {
  if (!meshLike(object)) return false;
  const auto& entries = object.modifierStack.entries;
  return std::any_of(entries.begin(), entries.end(), [](const Modifier& m) {
    return m.enabled && m.known && isDeformingModifierName(m.type);
  });
}

std::vector<Object> evaluateModifierStack(const Object& object) {
  std::vector<Object> list;
  const auto& entries = object.modifierStack.entries;
  if (entries.empty()) return list;
  list.push_back(object);
  // Raised by every deforming entry, also those after a stop, so the list
  // still stands in for the object's own drawing.
  const bool deformed = std::any_of(entries.begin(), entries.end(), [](const Modifier& m) {
    return m.enabled && m.known && isDeformingModifierName(m.type);
  });
  FaceSpend spend;
  for (const Modifier& entry : entries) {
    if (spend.stopped) break;
    if (!entry.enabled || !entry.known) continue;
    const std::wstring& type = entry.type;
    if (type == L"Mirror") {
      appendMirrorCopies(list, entry);
    } else if (type == L"Array") {
      appendArrayCopies(list, entry);
    } else if (type == L"Bevel") {
      const double amount = modifierNumberParam(entry, L"amount", 0.08);
      const int segments = roundedModifierCount(modifierNumberParam(entry, L"segments", 1), 1, 6);
      deformMeshLike(list, spend, [&](Object& e) { applyModifierPreviewBevel(e, amount, segments); }, 22, 12, 0);
    } else if (type == L"Solidify") {
      const double thickness = modifierNumberParam(entry, L"thickness", 0.12);
      const double offset = modifierNumberParam(entry, L"offset", 0.0);
      deformMeshLike(list, spend, [&](Object& e) { applyModifierPreviewSolidify(e, thickness, offset); }, 0, 0, 24);
    } else if (type == L"Subdivision") {
      const int levels = roundedModifierCount(modifierNumberParam(entry, L"viewportLevels", 1), 0, 3);
      const double smoothness = modifierNumberParam(entry, L"smoothness", 0.65);
      deformMeshLike(list, spend, [&](Object& e) { applyModifierPreviewSubdivision(e, levels, smoothness); }, 16, 22,
                     32);
    } else if (type == L"Bend" || type == L"Twist" || type == L"Taper") {
      const std::wstring axis = modifierTextParam(entry, L"axis", L"Y");
      if (type == L"Bend") {
        const double angle = modifierNumberParam(entry, L"angle", 45.0);
        deformMeshLike(list, spend, [&](Object& e) { applyModifierPreviewBend(e, axis, angle); }, 0, 30, 0);
      } else if (type == L"Twist") {
        const double angle = modifierNumberParam(entry, L"angle", 90.0);
        deformMeshLike(list, spend, [&](Object& e) { applyModifierPreviewTwist(e, axis, angle); }, 26, 0, 26);
      } else {
        const double strength = modifierNumberParam(entry, L"strength", 0.35);
        deformMeshLike(list, spend, [&](Object& e) { applyModifierPreviewTaper(e, axis, strength); }, 0, 18, 24);
      }
    } else if (type == L"Lattice") {
      if (meshLike(object)) appendLatticeCages(list, entry);
    }
  }
  if (deformed) {
    for (Object& element : list) {
      element.id += L"-phase46-topology-preview";
      element.name += L" Modifier Preview";
    }
  } else {
    list.erase(list.begin());
  }
  return list;
}

}  // namespace vk
