// The glTF build state: export scope, nodes and their hierarchy, materials,
// mesh primitives with their byte streams, and texture registration.
//
// Sections:
//   - Report notes
//   - Scope
//   - Transforms
//   - Records and streams
//   - Textures of the finished materials
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <set>
#include <unordered_map>

#include "formats/exchange_axes.h"
#include "formats/export_scope.h"
#include "formats/gltf_export.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/math.h"
#include "model/polygon_triangulation.h"
#include "model/sanitize.h"
#include "model/texture_paths.h"
#include "platform/file_io.h"
#include "platform/image.h"
#include "shading/materials.h"
#include "shading/textures.h"

namespace vk {

static_assert(std::endian::native == std::endian::little, "the BIN writers copy host floats as little-endian");

// ---- Report notes -----------------------------------------------------------
const wchar_t kGltfNoteIntIndices[] =
    L"Phase 66.1: at least one primitive required UNSIGNED_INT indices because it exceeded the UNSIGNED_SHORT range.";
const wchar_t kGltfNoteNoShortIndices[] =
    L"Phase 66.1 QA: no UNSIGNED_SHORT index accessors were produced in this export; this is expected only for large "
    L"meshes.";
const wchar_t kGltfNoteSkippedFaces[] =
    L"Phase 66.1 QA: invalid/non-triangulatable faces were skipped during export; review topology if this was "
    L"unexpected.";
const wchar_t kGltfNoteUntexturedCopies[] =
    L"Textured materials on meshes without texture coordinates were written as untextured copies.";
const wchar_t kGltfNoteRoughnessMap[] =
    L"Roughness maps are written as metallicRoughnessTexture; glTF readers also take metalness from its blue "
    L"channel.";
const wchar_t kGltfNoteNonFileTexture[] =
    L"Embedded and data-URI texture maps were left out; only image files on disk are referenced.";
const wchar_t kGltfNoteImagesLeftOut[] =
    L"Texture images that are not PNG or JPEG files, or have no path relative to the exported file, were left out: ";
const wchar_t kGltfNoteImagesReadersMayRefuse[] = L"Texture images still referenced that glTF readers may refuse: ";
const wchar_t kGltfNoteTopLevelNodes[] =
    L"Some child objects were written at top level to keep their placement: their transform relative to the parent "
    L"is not a translation, rotation and scale.";

std::wstring gltfOversizedFacesNote(std::uint32_t oversized) {
  const std::wstring limit = std::to_wstring(kExportScopeFaceCornerLimit);
  return L"Skipped " + exportFacesLeftOutText(oversized, oversized) + L" (faces of 3 to " + limit +
         L" corners are written).";
}

void gltfAddQaNote(GltfBuildState& state, const std::wstring& note) {
  if (std::find(state.qaNotes.begin(), state.qaNotes.end(), note) == state.qaNotes.end())
    state.qaNotes.push_back(note);
}

// ---- Scope ------------------------------------------------------------------

bool gltfTransformOnlyKind(ObjectKind kind) {
  return kind == ObjectKind::Camera || kind == ObjectKind::Light || kind == ObjectKind::Empty ||
         kind == ObjectKind::Group;
}

namespace {

// Effective visibility of every scene object in one pass: each parent chain
// is walked once and shared, where asking per object walks deep chains again
// and again. Parent loops end where they close.
class SceneVisibility {
 public:
  explicit SceneVisibility(const Scene& scene) : scene_(scene) {
    const std::size_t n = scene.objects.size();
    std::unordered_map<std::wstring_view, std::size_t> indexOf;
    indexOf.reserve(n);
    indexByAddress_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      indexOf.emplace(scene.objects[i].id, i);  // first one wins
      indexByAddress_.emplace(&scene.objects[i], i);
    }
    std::vector<std::int64_t> parent(n, -1);
    for (std::size_t i = 0; i < n; ++i)
      if (auto found = indexOf.find(scene.objects[i].parentId); found != indexOf.end())
        parent[i] = static_cast<std::int64_t>(found->second);
    enum : char { kUnknown, kVisiting, kDone };
    std::vector<char> mark(n, kUnknown);
    visible_.assign(n, 0);
    std::vector<std::size_t> path;
    for (std::size_t i = 0; i < n; ++i) {
      if (mark[i] == kDone) continue;
      path.clear();
      bool base = true;
      for (std::size_t j = i;;) {
        if (mark[j] == kDone) {
          base = visible_[j] != 0;
          break;
        }
        if (mark[j] == kVisiting) break;  // a loop: every flag on it is on the path
        mark[j] = kVisiting;
        path.push_back(j);
        if (!scene.objects[j].visible || parent[j] < 0) break;
        j = static_cast<std::size_t>(parent[j]);
      }
      for (auto it = path.rbegin(); it != path.rend(); ++it) {
        base = base && scene.objects[*it].visible;
        visible_[*it] = base;
        mark[*it] = kDone;
      }
    }
  }
  bool visible(const Object& object) const {
    if (auto found = indexByAddress_.find(&object); found != indexByAddress_.end()) return visible_[found->second] != 0;
    return isEffectivelyVisible(scene_, object);
  }
  // objectWorldExportable with the visibility looked up.
  bool meshExportable(const Object& object) const {
    if (object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text) return false;
    const std::size_t vertices = object.meshData.vertices.read().size();
    const std::size_t faces = object.meshData.faces.read().size();
    return vertices >= 1 && faces >= 1 && vertices <= kExportScopeVertexLimit && faces <= kExportScopeFaceLimit &&
           visible(object);
  }
  bool qualifies(const Object& object) const {
    return meshExportable(object) || (gltfTransformOnlyKind(object.kind) && visible(object));
  }

 private:
  const Scene& scene_;
  std::unordered_map<const Object*, std::size_t> indexByAddress_;
  std::vector<char> visible_;
};

// Pre-order walk of the subtree under `rootId`, children in scene order; the
// visited set stops parent cycles. Hidden objects are passed over but their
// descendants are still visited.
void collectObjectTree(const Scene& scene, const SceneVisibility& visibility, const std::wstring& rootId,
                       std::vector<const Object*>& list) {
  std::unordered_multimap<std::wstring, std::size_t> childrenOf;
  const ObjectList& objects = scene.objects;
  childrenOf.reserve(objects.size());
  for (std::size_t i = 0; i < objects.size(); ++i) childrenOf.emplace(objects[i].parentId, i);
  auto childIndices = [&](const std::wstring& id) {
    std::vector<std::size_t> found;
    auto [begin, end] = childrenOf.equal_range(id);
    for (auto it = begin; it != end; ++it) found.push_back(it->second);
    std::sort(found.begin(), found.end());
    return found;
  };
  const Object* root = findObjectById(scene, rootId);
  if (!root) return;
  std::set<std::wstring> visited;
  std::vector<const Object*> stack{root};
  while (!stack.empty()) {
    const Object* object = stack.back();
    stack.pop_back();
    if (!visited.insert(object->id).second) continue;
    if (visibility.qualifies(*object)) list.push_back(object);
    const std::vector<std::size_t> children = childIndices(object->id);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(&scene.objects[*it]);
  }
}

}  // namespace

std::vector<const Object*> collectExportObjects(bool selectedOnly, bool* selectionUsed) {
  const Scene& scene = appState().project.scene;
  const SceneVisibility visibility(scene);
  std::vector<const Object*> list;
  if (selectionUsed) *selectionUsed = false;
  if (selectedOnly && findObjectById(scene, appState().selectedObjectId)) {
    collectObjectTree(scene, visibility, appState().selectedObjectId, list);
    if (std::any_of(list.begin(), list.end(), [&](const Object* o) { return visibility.meshExportable(*o); })) {
      if (selectionUsed) *selectionUsed = true;
      return list;
    }
    list.clear();
  }
  std::set<std::wstring> visited;
  for (const Object& object : scene.objects) {
    if (list.size() >= kGltfExportNodeLimit) break;
    if (!visibility.qualifies(object)) continue;
    if (visited.insert(object.id).second) list.push_back(&object);
  }
  return list;
}

bool glbSelectionHasExportableMesh(const std::vector<const Object*>& list) {
  return std::any_of(list.begin(), list.end(), [](const Object* o) { return o && objectWorldExportable(*o); });
}

// ---- Transforms -------------------------------------------------------------

namespace {

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

Vec3 finiteVec(const Vec3& v, double fallback) {
  return {finiteOr(v.x, fallback), finiteOr(v.y, fallback), finiteOr(v.z, fallback)};
}

using Quat = std::array<double, 4>;  // x, y, z, w

Quat quatMultiply(const Quat& a, const Quat& b) {
  return {a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1],
          a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
          a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3],
          a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]};
}

Quat quatNormalized(const Quat& q) {
  const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (!(length > 1e-7) || !std::isfinite(length)) return {0.0, 0.0, 0.0, 1.0};
  return {q[0] / length, q[1] / length, q[2] / length, q[3] / length};
}

// Row-major 3 x 3.
using Mat3 = std::array<std::array<double, 3>, 3>;

// R = Rz · Rx · Ry, the model's rotation.
Mat3 rotationMatrix(const Vec3& degrees) {
  const double x = degreesToRadians(degrees.x), y = degreesToRadians(degrees.y), z = degreesToRadians(degrees.z);
  const double cx = std::cos(x), sx = std::sin(x), cy = std::cos(y), sy = std::sin(y), cz = std::cos(z),
               sz = std::sin(z);
  return {{{cz * cy - sz * sx * sy, -sz * cx, cz * sy + sz * sx * cy},
           {sz * cy + cz * sx * sy, cz * cx, sz * sy - cz * sx * cy},
           {-cx * sy, sx, cx * cy}}};
}

Quat quaternionFromRotation(const Mat3& m) {
  const double trace = m[0][0] + m[1][1] + m[2][2];
  Quat q;
  if (trace > 0.0) {
    const double s = 2.0 * std::sqrt(trace + 1.0);
    q = {(m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s, 0.25 * s};
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const double s = 2.0 * std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]);
    q = {0.25 * s, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[2][1] - m[1][2]) / s};
  } else if (m[1][1] > m[2][2]) {
    const double s = 2.0 * std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]);
    q = {(m[0][1] + m[1][0]) / s, 0.25 * s, (m[1][2] + m[2][1]) / s, (m[0][2] - m[2][0]) / s};
  } else {
    const double s = 2.0 * std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]);
    q = {(m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, 0.25 * s, (m[1][0] - m[0][1]) / s};
  }
  return quatNormalized(q);
}

struct LocalTrs {
  Vec3 translation;
  Quat rotation{0.0, 0.0, 0.0, 1.0};
  Vec3 scale{1.0, 1.0, 1.0};
};

// Columns whose cosine is at most this are perpendicular: transforms are
// written with six decimals, so imported hierarchies carry cosines of a few
// 1e-8 that are float noise, not shear.
constexpr double kOrthogonalCosine = 1e-5;

// inverse(parent) × child as translation, rotation and scale; none when the
// parent is singular or the product carries shear.
bool relativeTrs(const GltfNodeRecord& parent, const GltfNodeRecord& child, LocalTrs& out) {
  const Vec3 ps = parent.scale;
  if (ps.x == 0.0 || ps.y == 0.0 || ps.z == 0.0) return false;
  const Mat3 rp = rotationMatrix(parent.rotationDegrees);
  const Mat3 rc = rotationMatrix(child.rotationDegrees);
  const double pInv[3] = {1.0 / ps.x, 1.0 / ps.y, 1.0 / ps.z};
  const double cs[3] = {child.scale.x, child.scale.y, child.scale.z};
  // A = S_p^-1 · R_p^T · R_c · S_c
  Mat3 a{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) sum += rp[k][i] * rc[k][j];
      a[i][j] = pInv[i] * sum * cs[j];
    }
  const Vec3 d = child.translation - parent.translation;
  const double dv[3] = {d.x, d.y, d.z};
  double t[3];
  for (int i = 0; i < 3; ++i) t[i] = pInv[i] * (rp[0][i] * dv[0] + rp[1][i] * dv[1] + rp[2][i] * dv[2]);

  double length[3];
  for (int j = 0; j < 3; ++j) length[j] = std::sqrt(a[0][j] * a[0][j] + a[1][j] * a[1][j] + a[2][j] * a[2][j]);
  for (int j = 0; j < 3; ++j)
    if (!(length[j] > 1e-12) || !std::isfinite(length[j])) return false;
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j) {
      const double dot = a[0][i] * a[0][j] + a[1][i] * a[1][j] + a[2][i] * a[2][j];
      if (std::abs(dot) > kOrthogonalCosine * length[i] * length[j]) return false;
    }
  // Noise within the tolerance is taken out before the rotation is read:
  // Gram-Schmidt keeps the columns' directions to within that cosine.
  Mat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = a[i][j] / length[j];
  for (int j = 1; j < 3; ++j) {
    for (int k = 0; k < j; ++k) {
      const double dot = r[0][k] * r[0][j] + r[1][k] * r[1][j] + r[2][k] * r[2][j];
      for (int i = 0; i < 3; ++i) r[i][j] -= dot * r[i][k];
    }
    const double norm = std::sqrt(r[0][j] * r[0][j] + r[1][j] * r[1][j] + r[2][j] * r[2][j]);
    for (int i = 0; i < 3; ++i) r[i][j] /= norm;
  }
  const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                     r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                     r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
  // A mirror goes into the scale so that the rest is a proper rotation.
  double sign[3] = {1.0, 1.0, 1.0};
  if (det < 0.0) {
    const int flip = child.scale.x < 0.0 ? 0 : child.scale.y < 0.0 ? 1 : child.scale.z < 0.0 ? 2 : 0;
    sign[flip] = -1.0;
    for (int i = 0; i < 3; ++i) r[i][flip] = -r[i][flip];
  }
  out.translation = {t[0], t[1], t[2]};
  out.scale = {sign[0] * length[0], sign[1] * length[1], sign[2] * length[2]};
  out.rotation = quaternionFromRotation(r);
  return std::isfinite(t[0]) && std::isfinite(t[1]) && std::isfinite(t[2]);
}

}  // namespace

std::array<double, 4> gltfEulerToQuaternion(const Vec3& rotationDegrees) {
  const double hx = rotationDegrees.x * 0.008726646259971648;
  const double hy = rotationDegrees.y * 0.008726646259971648;
  const double hz = rotationDegrees.z * 0.008726646259971648;
  const Quat qx{std::sin(hx), 0.0, 0.0, std::cos(hx)};
  const Quat qy{0.0, std::sin(hy), 0.0, std::cos(hy)};
  const Quat qz{0.0, 0.0, std::sin(hz), std::cos(hz)};
  return quatNormalized(quatMultiply(quatMultiply(qz, qx), qy));
}

void gltfLinkNodes(GltfBuildState& state) {
  const auto count = static_cast<std::int32_t>(state.nodes.size());
  for (GltfNodeRecord& node : state.nodes) {
    node.children.clear();
    node.parentNode = -1;
  }
  // A link i -> p is made unless p's links made so far lead back to i, so
  // self-parents and loops from stored files leave exactly one root each.
  for (std::int32_t i = 0; i < count; ++i) {
    GltfNodeRecord& node = state.nodes[static_cast<std::size_t>(i)];
    node.localTranslation = node.translation;
    node.localRotation = gltfEulerToQuaternion(node.rotationDegrees);
    node.localScale = node.scale;
    if (node.parentId.empty()) continue;
    const auto found = state.nodeIndexById.find(node.parentId);
    if (found == state.nodeIndexById.end() || found->second == i) continue;
    bool loop = false;
    for (std::int32_t up = found->second; up >= 0; up = state.nodes[static_cast<std::size_t>(up)].parentNode) {
      if (up == i) {
        loop = true;
        break;
      }
    }
    if (loop) continue;
    node.parentNode = found->second;
  }
  bool keptAtTop = false;
  for (std::int32_t i = 0; i < count; ++i) {
    GltfNodeRecord& node = state.nodes[static_cast<std::size_t>(i)];
    if (node.parentNode < 0) continue;
    LocalTrs local;
    if (!relativeTrs(state.nodes[static_cast<std::size_t>(node.parentNode)], node, local)) {
      node.parentNode = -1;
      keptAtTop = true;
      continue;
    }
    node.localTranslation = local.translation;
    node.localRotation = local.rotation;
    node.localScale = local.scale;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t parent = state.nodes[static_cast<std::size_t>(i)].parentNode;
    if (parent >= 0) state.nodes[static_cast<std::size_t>(parent)].children.push_back(static_cast<std::uint32_t>(i));
  }
  if (keptAtTop) gltfAddQaNote(state, kGltfNoteTopLevelNodes);
}

// ---- Records and streams ----------------------------------------------------

std::int32_t gltfEnsureNodeRecord(GltfBuildState& state, const Object& object) {
  const auto found = state.nodeIndexById.find(object.id);
  if (found != state.nodeIndexById.end()) return found->second;
  GltfNodeRecord node;
  node.objectId = object.id;
  node.name = object.name;
  node.parentId = object.parentId;
  const Transform file = exchangeMirrorTransform(object.transform);
  node.translation = finiteVec(file.position, 0.0);
  node.rotationDegrees = finiteVec(file.rotation, 0.0);
  node.scale = finiteVec(file.scale, 1.0);
  node.localTranslation = node.translation;
  node.localRotation = gltfEulerToQuaternion(node.rotationDegrees);
  node.localScale = node.scale;
  const auto index = static_cast<std::int32_t>(state.nodes.size());
  state.nodes.push_back(std::move(node));
  state.nodeIndexById.emplace(object.id, index);
  return index;
}

std::int32_t gltfPushMaterial(GltfBuildState& state, const Material& material) {
  state.materials.push_back(material);
  return static_cast<std::int32_t>(state.materials.size() - 1);
}

void gltfPadBinaryBuffer(GltfBuildState& state) {
  while (state.binBytes.size() % 4 != 0) state.binBytes.push_back('\0');
}

std::int32_t appendBufferView(GltfBuildState& state, std::wstring& error, std::uint32_t target,
                              const std::function<void(std::string&)>& writer) {
  gltfPadBinaryBuffer(state);
  GltfBufferViewRecord view;
  view.byteOffset = state.binBytes.size();
  writer(state.binBytes);
  view.byteLength = state.binBytes.size() - view.byteOffset;
  view.target = target;
  state.bufferViews.push_back(view);
  if (state.binBytes.size() > kGltfExportBinByteLimit)
    error = L"glTF export blocked: embedded buffer exceeds the Phase 63 safe file budget.";
  return static_cast<std::int32_t>(state.bufferViews.size() - 1);
}

namespace {

void appendFloat(std::string& bytes, float value) {
  char raw[4];
  std::memcpy(raw, &value, 4);
  bytes.append(raw, 4);
}

// A coordinate as the 32-bit float written; one that is not finite as a
// float (NaN, infinity, beyond the float range) becomes 0.
float storedFloat(double value) {
  const auto f = static_cast<float>(value);
  return std::isfinite(f) ? f : 0.0f;
}

std::int32_t appendVec3View(GltfBuildState& state, std::wstring& error, const std::vector<Vec3>& values) {
  return appendBufferView(state, error, 34962, [&](std::string& bytes) {
    bytes.reserve(bytes.size() + values.size() * 12);
    for (const Vec3& v : values) {
      appendFloat(bytes, storedFloat(v.x));
      appendFloat(bytes, storedFloat(v.y));
      appendFloat(bytes, storedFloat(v.z));
    }
  });
}

}  // namespace

bool gltfAppendPrimitiveBuffers(GltfBuildState& state, const std::vector<Vec3>& positions,
                                const std::vector<Vec3>& normals, const std::vector<Vec2>& uvs,
                                const std::vector<std::uint32_t>& indices, GltfPrimitiveRecord& primitive,
                                std::wstring& error) {
  if (positions.empty() || normals.size() != positions.size() || indices.empty() ||
      (!uvs.empty() && uvs.size() != positions.size()))
    return false;
  // Bounds of the floats actually written, so readers' checks agree exactly.
  float lo[3] = {storedFloat(positions[0].x), storedFloat(positions[0].y), storedFloat(positions[0].z)};
  float hi[3] = {lo[0], lo[1], lo[2]};
  for (const Vec3& p : positions) {
    const float c[3] = {storedFloat(p.x), storedFloat(p.y), storedFloat(p.z)};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], c[k]);
      hi[k] = std::max(hi[k], c[k]);
    }
  }
  GltfAccessorRecord position;
  position.bufferView = appendVec3View(state, error, positions);
  position.count = positions.size();
  position.type = "VEC3";
  position.hasMinMax = true;
  position.minMaxComponents = 3;
  for (int k = 0; k < 3; ++k) {
    position.min[static_cast<std::size_t>(k)] = lo[k];
    position.max[static_cast<std::size_t>(k)] = hi[k];
  }
  state.accessors.push_back(position);
  primitive.position = static_cast<std::int32_t>(state.accessors.size() - 1);
  if (!error.empty()) return false;

  GltfAccessorRecord normal;
  normal.bufferView = appendVec3View(state, error, normals);
  normal.count = normals.size();
  normal.type = "VEC3";
  state.accessors.push_back(normal);
  primitive.normal = static_cast<std::int32_t>(state.accessors.size() - 1);
  if (!error.empty()) return false;

  primitive.texcoord0 = -1;
  if (!uvs.empty()) {
    GltfAccessorRecord texcoord;
    texcoord.bufferView = appendBufferView(state, error, 34962, [&](std::string& bytes) {
      bytes.reserve(bytes.size() + uvs.size() * 8);
      for (const Vec2& uv : uvs) {
        appendFloat(bytes, storedFloat(uv.u));
        appendFloat(bytes, storedFloat(1.0 - uv.v));
      }
    });
    texcoord.count = uvs.size();
    texcoord.type = "VEC2";
    state.accessors.push_back(texcoord);
    primitive.texcoord0 = static_cast<std::int32_t>(state.accessors.size() - 1);
    if (!error.empty()) return false;
  }

  const std::uint32_t maxIndex = *std::max_element(indices.begin(), indices.end());
  // 65535 is the primitive-restart value, never a 16-bit index of ours.
  const bool shortIndices = maxIndex <= 65534;
  GltfAccessorRecord index;
  index.bufferView = appendBufferView(state, error, 34963, [&](std::string& bytes) {
    if (shortIndices) {
      bytes.reserve(bytes.size() + indices.size() * 2);
      for (std::uint32_t i : indices) {
        const auto v = static_cast<std::uint16_t>(i);
        bytes.push_back(static_cast<char>(v & 0xFF));
        bytes.push_back(static_cast<char>(v >> 8));
      }
    } else {
      const std::size_t at = bytes.size();
      bytes.resize(at + indices.size() * 4);
      std::memcpy(bytes.data() + at, indices.data(), indices.size() * 4);
    }
  });
  index.componentType = shortIndices ? 5123 : 5125;
  index.count = indices.size();
  index.type = "SCALAR";
  index.hasMinMax = true;
  index.minMaxComponents = 1;
  index.min[0] = 0.0;
  index.max[0] = maxIndex;
  state.accessors.push_back(index);
  primitive.indices = static_cast<std::int32_t>(state.accessors.size() - 1);
  primitive.triangleCount = indices.size() / 3;
  if (shortIndices) {
    ++state.shortIndexPrimitiveCount;
  } else {
    ++state.intIndexPrimitiveCount;
    gltfAddQaNote(state, kGltfNoteIntIndices);
  }
  return error.empty();
}

namespace {

// A vertex as written: in the file's axes, rounded to float.
Vec3 localPosition(const Vec3& studio) {
  const Vec3 p = exchangeMirrorPoint(studio);
  return {storedFloat(p.x), storedFloat(p.y), storedFloat(p.z)};
}

Vec3 flatNormal(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
  Vec3 n = vec3Cross(p1 - p0, p2 - p0);
  for (int pass = 0; pass < 2; ++pass) {
    const double length = vec3Length(n);
    if (!(length > 1e-6) || !std::isfinite(length)) return {0.0, 1.0, 0.0};
    n = n / length;
  }
  return n;
}

}  // namespace

namespace {
bool appendMeshPrimitives(const Object& object, GltfBuildState& state, std::wstring& error);
}  // namespace

namespace {

bool appendMeshPrimitives(const Object& object, GltfBuildState& state, std::wstring& error) {
  const MeshData& mesh = object.meshData;
  const std::vector<MeshFace>& faces = mesh.faces.read();
  if (faces.size() > kGltfExportMeshFaceLimit) {
    error = L"glTF export blocked: mesh face count exceeds Phase 63 safety budget.";
    return false;
  }
  // Only the slots are repaired; faces, positions and UVs are read as stored.
  Object slotsOnly;
  slotsOnly.name = object.name;
  slotsOnly.material = object.material;
  slotsOnly.materialSlots = object.materialSlots;
  sanitizeMaterialSlots(slotsOnly);
  std::vector<std::int32_t> slotMaterial;
  for (const Material& material : slotsOnly.materialSlots.slots)
    slotMaterial.push_back(gltfPushMaterial(state, material));
  if (slotMaterial.empty()) slotMaterial.push_back(gltfPushMaterial(state, slotsOnly.material));
  const auto slotCount = static_cast<std::int32_t>(slotMaterial.size());

  // Faces bucketed by slot in one pass; a bad face is counted once.
  std::vector<std::vector<std::uint32_t>> facesOfSlot(slotMaterial.size());
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (!objFaceExportable(mesh, faces[f])) {
      ++state.skippedFaceCount;
      if (faces[f].indices.size() > kExportScopeFaceCornerLimit) ++state.oversizedFaceCount;
      continue;
    }
    std::int32_t slot = faces[f].materialIndex;
    if (slot < 0 || slot >= slotCount) slot = 0;
    facesOfSlot[static_cast<std::size_t>(slot)].push_back(static_cast<std::uint32_t>(f));
  }

  const std::vector<Vec3>& vertices = mesh.vertices.read();
  const std::vector<Vec2>& meshUvs = mesh.uvs.read();
  GltfMeshRecord record;
  record.name = object.name;
  std::vector<Vec3> positions, normals;
  std::vector<Vec2> uvs;
  std::vector<std::uint32_t> indices;
  std::vector<Vec3> outline;
  std::vector<CornerTriangle> triangles;
  for (std::size_t s = 0; s < facesOfSlot.size(); ++s) {
    positions.clear();
    normals.clear();
    uvs.clear();
    indices.clear();
    bool anyFaceHasUvs = false;
    MeshFace face;
    for (std::uint32_t f : facesOfSlot[s]) {
      face = faces[f];
      reverseWindingKeepFirst(face);
      const std::size_t n = face.indices.size();
      bool hasUvs = !meshUvs.empty() && face.uvIndices.size() == n;
      for (std::size_t k = 0; hasUvs && k < n; ++k)
        hasUvs = face.uvIndices[k] >= 0 && static_cast<std::size_t>(face.uvIndices[k]) < meshUvs.size();
      anyFaceHasUvs = anyFaceHasUvs || hasUvs;
      // An unmapped face among mapped ones takes, at every corner, the
      // coordinates the viewport samples it at, so its texel stays the same.
      const Vec2 unmapped = hasUvs || meshUvs.empty()
                                ? Vec2{}
                                : generatePlanarUv(meshFaceCenter(mesh, faces[f]), faceNormal(mesh, faces[f]));
      outline.clear();
      for (std::size_t k = 0; k < n; ++k)
        outline.push_back(localPosition(vertices[static_cast<std::size_t>(face.indices[k])]));
      triangulatePolygon(outline, triangles);
      for (const CornerTriangle& corner : triangles) {
        const Vec3 p[3] = {outline[corner[0]], outline[corner[1]], outline[corner[2]]};
        const Vec3 normal = flatNormal(p[0], p[1], p[2]);
        for (int c = 0; c < 3; ++c) {
          indices.push_back(static_cast<std::uint32_t>(positions.size()));
          positions.push_back(p[c]);
          normals.push_back(normal);
          if (hasUvs) {
            const Vec2& uv = meshUvs[static_cast<std::size_t>(face.uvIndices[corner[c]])];
            uvs.push_back({finiteOr(uv.u, 0.0), finiteOr(uv.v, 0.0)});
          } else {
            uvs.push_back(unmapped);
          }
        }
      }
    }
    if (positions.empty()) continue;
    if (!anyFaceHasUvs) uvs.clear();
    GltfPrimitiveRecord primitive;
    primitive.material = slotMaterial[s];
    if (!gltfAppendPrimitiveBuffers(state, positions, normals, uvs, indices, primitive, error)) {
      if (error.empty()) error = kGltfPrimitiveNotWritten;
      return false;
    }
    record.primitives.push_back(primitive);
    state.vertexCount += static_cast<std::uint32_t>(positions.size());
    state.triangleCount += static_cast<std::uint32_t>(primitive.triangleCount);
  }
  if (!record.primitives.empty()) {
    state.meshes.push_back(std::move(record));
    const std::int32_t node = gltfEnsureNodeRecord(state, object);
    state.nodes[static_cast<std::size_t>(node)].mesh = static_cast<std::int32_t>(state.meshes.size() - 1);
    ++state.meshObjectCount;
  }
  return true;
}

}  // namespace

// ---- Textures of the finished materials -------------------------------------

namespace {

constexpr const wchar_t* kExportedChannels[] = {L"color", L"normal", L"roughness", L"alpha"};

bool exportedChannel(std::wstring_view channel) {
  return std::find(std::begin(kExportedChannels), std::end(kExportedChannels), channel) != std::end(kExportedChannels);
}

// A map whose image file is gone is switched off in the export's copy of the
// material, so no reader is sent after a file that is not there (and a lost
// alpha map cuts nothing out). The names are told in one note. The copy of a
// map whose file is there loses a stale missing flag.
void leaveOutMissingFiles(GltfBuildState& state) {
  std::vector<std::wstring> names;
  for (Material& material : state.materials)
    for (TextureMap& map : material.textureMaps.maps) {
      if (!map.enabled || map.path.empty() || textureSourceIsNonFile(map) || !exportedChannel(map.channel)) continue;
      if (fileExists(resolveTexturePathAbsolute(map))) {
        map.missing = false;
        continue;
      }
      map.enabled = false;
      if (std::find(names.begin(), names.end(), map.path) == names.end()) names.push_back(map.path);
    }
  if (names.empty()) return;
  std::wstring note = L"Texture files not found at export were left out: ";
  for (std::size_t i = 0; i < names.size(); ++i) note += (i ? L", " : L"") + names[i];
  gltfAddQaNote(state, note + L".");
}

// Why glTF readers may refuse the image of a written map, "" when they read
// it: the studio could not decode it, or it is a JPEG of four components,
// which the studio reads but glTF validators refuse.
const wchar_t* imageReadersMayRefuse(const TextureMap& map) {
  if (textureImageUndecodable(map)) return L"not decodable";
  if (isFourComponentJpegFile(resolveTextureMapPath(map))) return L"CMYK JPEG";
  return L"";
}

void registerTextures(GltfBuildState& state) {
  state.materialTextures.assign(state.materials.size(), GltfMaterialTextures{});
  for (Material& material : state.materials) ensureMaterialTextureMaps(material);
  leaveOutMissingFiles(state);
  // Images readers may refuse stay referenced, the files being the user's;
  // both they and the images left out are named.
  std::set<std::wstring> imagesChecked, pathsLeftOut;
  std::wstring refusable, leftOut;
  for (std::size_t m = 0; m < state.materials.size(); ++m) {
    const Material& material = state.materials[m];
    for (const wchar_t* channel : kExportedChannels) {
      const TextureMap* map = gltfFirstSetMap(material, channel);
      if (!map) continue;
      GltfImageLeftOut why = GltfImageLeftOut::None;
      const std::wstring uri = gltfTextureUri(*map, state.exportFolder, &why);
      if (why == GltfImageLeftOut::NotFile) gltfAddQaNote(state, kGltfNoteNonFileTexture);
      if (why != GltfImageLeftOut::None && why != GltfImageLeftOut::NotFile && pathsLeftOut.insert(map->path).second)
        leftOut += (leftOut.empty() ? L"" : L", ") + map->path + L" (" + gltfImageLeftOutReason(why) + L")";
      if (uri.empty()) continue;
      if (imagesChecked.insert(uri).second) {
        const std::wstring why = imageReadersMayRefuse(*map);
        if (!why.empty()) refusable += (refusable.empty() ? L"" : L", ") + map->path + L" (" + why + L")";
      }
      const std::int32_t texture = gltfResolveTextureIndex(state, map);
      GltfMaterialTextures& refs = state.materialTextures[m];
      const std::wstring_view key = channel;
      if (key == L"color") refs.color = texture;
      if (key == L"normal") refs.normal = texture;
      if (key == L"roughness") refs.roughness = texture;
      if (key == L"roughness" && texture >= 0) gltfAddQaNote(state, kGltfNoteRoughnessMap);
    }
  }
  if (!leftOut.empty()) gltfAddQaNote(state, kGltfNoteImagesLeftOut + leftOut + L".");
  if (!refusable.empty()) gltfAddQaNote(state, kGltfNoteImagesReadersMayRefuse + refusable + L".");
}

// A texture needs TEXCOORD_0: primitives without it get a copy of their
// material with the referenced maps switched off, one copy per material.
void useUntexturedCopies(GltfBuildState& state) {
  for (GltfMeshRecord& mesh : state.meshes)
    for (GltfPrimitiveRecord& primitive : mesh.primitives) {
      if (primitive.texcoord0 >= 0) continue;
      const auto material = static_cast<std::size_t>(primitive.material);
      if (!state.materialTextures[material].any()) continue;
      auto found = state.untexturedCopyOf.find(primitive.material);
      if (found == state.untexturedCopyOf.end()) {
        Material copy = state.materials[material];
        for (TextureMap& map : copy.textureMaps.maps)
          if (map.channel == L"color" || map.channel == L"normal" || map.channel == L"roughness")
            map.enabled = false;
        found = state.untexturedCopyOf.emplace(primitive.material, gltfPushMaterial(state, copy)).first;
        state.materialTextures.emplace_back();
      }
      primitive.material = found->second;
      gltfAddQaNote(state, kGltfNoteUntexturedCopies);
    }
}

}  // namespace

bool buildGltfState(const std::vector<const Object*>& objects, GltfBuildState& state, std::wstring& error,
                    bool includeTransformNodes, const std::wstring& label) {
  if (objects.empty()) {
    error = label + L" export blocked: select a mesh/text object or make at least one mesh visible.";
    return false;
  }
  if (objects.size() > kGltfExportNodeLimit) {
    error = label + L" export blocked: node count exceeds the Phase 66.1 safe export budget.";
    return false;
  }
  const SceneVisibility visibility(appState().project.scene);
  std::vector<char> exportable(objects.size(), 0);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (!objects[i]) continue;
    exportable[i] = visibility.meshExportable(*objects[i]);
    const bool transformOnly =
        includeTransformNodes && gltfTransformOnlyKind(objects[i]->kind) && visibility.visible(*objects[i]);
    if (exportable[i] || transformOnly) gltfEnsureNodeRecord(state, *objects[i]);
  }
  for (std::size_t i = 0; i < objects.size(); ++i)
    if (exportable[i] && !appendMeshPrimitives(*objects[i], state, error)) return false;
  if (state.meshObjectCount == 0 || state.triangleCount == 0) {
    error = exportNoFacesError(label + L" export failed: no valid mesh triangles were available to write.", label,
                               state.skippedFaceCount, state.oversizedFaceCount);
    return false;
  }
  registerTextures(state);
  useUntexturedCopies(state);
  gltfLinkNodes(state);
  gltfPadBinaryBuffer(state);
  state.nodeCount = static_cast<std::uint32_t>(state.nodes.size());
  state.materialCount = static_cast<std::uint32_t>(state.materials.size());
  state.bufferViewCount = static_cast<std::uint32_t>(state.bufferViews.size());
  state.accessorCount = static_cast<std::uint32_t>(state.accessors.size());
  state.binByteCount = static_cast<std::uint32_t>(state.binBytes.size());
  return gltfValidateBuildState(state, error);
}

}  // namespace vk
