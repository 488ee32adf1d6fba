#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "formats/exchange_axes.h"
#include "formats/import_file.h"
#include "formats/obj_import.h"
#include "formats/wavefront_text.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"

namespace vk {

namespace {

using namespace wavefront;

constexpr wchar_t kLineBudgetText[] = L"OBJ import blocked: line count exceeds Phase 62.6 safe parser budget.";
constexpr wchar_t kVertexBudgetText[] = L"OBJ import blocked: vertex count exceeds Phase 62.6 safe mesh budget.";
constexpr wchar_t kFaceBudgetText[] = L"OBJ import blocked: face count exceeds Phase 62.6 safe mesh budget.";
constexpr wchar_t kNoVerticesText[] = L"OBJ import failed: no valid vertex records were found.";
constexpr wchar_t kNoFacesText[] = L"OBJ import failed: no valid face records were found.";
constexpr wchar_t kOnlySkippedFacesText[] = L"OBJ import failed: no valid face records were found, only ";
constexpr wchar_t kDefaultMaterialName[] = L"Imported OBJ Default";

// A whole base-10 integer with an optional sign, read in 64 bits and turned
// into [0, count) by the OBJ rule (1-based, negative counts back from the end).
bool resolveIndex(std::string_view text, std::int32_t count, std::int32_t& index) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') {
    ++first;
    if (first == last || *first == '-') return false;
  }
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc{} || ptr != last) return false;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    return false;
  if (value == 0) return false;
  const std::int64_t resolved = value > 0 ? value - 1 : count + value;
  if (resolved < 0 || resolved >= count) return false;
  index = static_cast<std::int32_t>(resolved);
  return true;
}

// The text between the first and second '/', empty when there is none.
std::string_view texcoordPart(std::string_view token) {
  const std::size_t slash = token.find('/');
  if (slash == std::string_view::npos) return {};
  const std::string_view rest = token.substr(slash + 1);
  return rest.substr(0, rest.find('/'));
}

bool hasRepeatedCorner(const std::vector<std::int32_t>& indices, std::size_t& distinct) {
  bool repeated = false;
  distinct = 0;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    bool seen = false;
    for (std::size_t k = 0; k < i && !seen; ++k) seen = indices[k] == indices[i];
    if (seen)
      repeated = true;
    else
      ++distinct;
  }
  return repeated;
}

Material makeUsemtlPlaceholder(const std::wstring& name) {
  Material material = makeImportedObjDefaultMaterial();
  material.name = name;
  material.capsuleId = L"phase62-6-mtl-usemtl";
  material.capsuleLabel = L"OBJ usemtl";
  material.capsuleNote = L"Phase 62.6 placeholder material from OBJ usemtl; no matching MTL record was loaded.";
  ensureMaterialTextureMaps(material);
  return material;
}

struct ObjParser {
  ObjParser(ObjImportResult& target, const std::wstring& path) : result(target), objPath(path) {}
  ObjImportResult& result;
  const std::wstring& objPath;
  ObjMaterialState materials;
  std::int32_t currentMaterial = 0;
  std::vector<Vec3> vertices;
  std::vector<Vec2> uvs;
  std::vector<MeshFace> faces;
  std::vector<std::int32_t> cornerIndices;
  std::vector<std::int32_t> cornerUvs;
  std::vector<MeshFace> loops;

  void useMaterial(std::string_view arguments) {
    const std::wstring name = sanitizeWavefrontMaterialName(arguments);
    const auto found = materials.slots.find(name);
    if (found != materials.slots.end()) {
      currentMaterial = found->second;
      return;
    }
    if (result.materials.size() >= kObjImportMaterialLimit) {
      currentMaterial = 0;
      return;
    }
    result.materials.push_back(makeUsemtlPlaceholder(name));
    currentMaterial = static_cast<std::int32_t>(result.materials.size() - 1);
    materials.slots.emplace(name, currentMaterial);
    ++result.materialsAdded;
  }

  void addVertex(std::string_view arguments) {
    double xyz[3];
    if (!readFiniteDoubles(arguments, xyz, 3)) {
      ++result.skippedLines;
      return;
    }
    vertices.push_back(exchangeMirrorPoint({clampDouble(xyz[0], -kObjImportCoordinateLimit, kObjImportCoordinateLimit),
                                            clampDouble(xyz[1], -kObjImportCoordinateLimit, kObjImportCoordinateLimit),
                                            clampDouble(xyz[2], -kObjImportCoordinateLimit, kObjImportCoordinateLimit)}));
  }

  void addTexcoord(std::string_view arguments) {
    double uv[2];
    if (uvs.size() >= static_cast<std::size_t>(kObjImportTexcoordLimit) || !readFiniteDoubles(arguments, uv, 2)) {
      ++result.skippedLines;
      return;
    }
    uvs.push_back({clampDouble(uv[0], -kObjImportCoordinateLimit, kObjImportCoordinateLimit),
                   clampDouble(uv[1], -kObjImportCoordinateLimit, kObjImportCoordinateLimit)});
  }

  void addFace(std::string_view arguments) {
    cornerIndices.clear();
    cornerUvs.clear();
    const auto vertexCount = static_cast<std::int32_t>(vertices.size());
    const auto uvCount = static_cast<std::int32_t>(uvs.size());
    bool everyCornerHasUv = true;
    for (std::string_view token = nextToken(arguments); !token.empty(); token = nextToken(arguments)) {
      std::int32_t vertex = 0, uv = -1;
      if (cornerIndices.size() == kObjImportFaceCornerLimit) {
        ++result.skippedFaces;
        ++result.oversizedFaces;
        return;
      }
      if (!parseObjVertexIndex(token, vertexCount, vertex) || !parseObjTexcoordIndex(token, uvCount, uv)) {
        ++result.skippedFaces;
        return;
      }
      cornerIndices.push_back(vertex);
      if (uv >= 0)
        cornerUvs.push_back(uv);
      else
        everyCornerHasUv = false;
    }
    std::size_t distinct = 0;
    const bool repeated = hasRepeatedCorner(cornerIndices, distinct);
    if (distinct < 3) {
      ++result.skippedFaces;
      return;
    }
    const auto lastMaterial = static_cast<std::int32_t>(result.materials.empty() ? 0 : result.materials.size() - 1);
    MeshFace face;
    face.indices = cornerIndices;
    if (everyCornerHasUv) face.uvIndices = cornerUvs;
    face.materialIndex = std::clamp(currentMaterial, 0, lastMaterial);
    reverseWindingKeepFirst(face);
    if (!repeated) {
      faces.push_back(std::move(face));
      return;
    }
    // A corner met twice would be dropped by the project load guard: keep
    // the face as the simple loops it walks instead.
    loops.clear();
    appendSimpleLoops(face, loops);
    if (loops.empty()) ++result.skippedFaces;
    for (MeshFace& loop : loops) faces.push_back(std::move(loop));
  }

  bool run(std::string_view text, std::wstring& error) {
    LineReader reader(skipByteOrderMark(text));
    std::string_view line;
    std::int64_t lineCount = 0;
    while (reader.next(line)) {
      if (++lineCount > kObjImportLineLimit) {
        error = kLineBudgetText;
        return false;
      }
      if (line.size() > kWavefrontImportLineByteLimit) {
        ++result.skippedLines;
        continue;
      }
      const Statement statement = splitStatement(line);
      const std::string_view keyword = statement.keyword;
      if (keyword == "v") {
        if (vertices.size() >= static_cast<std::size_t>(kObjImportVertexLimit)) {
          error = kVertexBudgetText;
          return false;
        }
        addVertex(statement.arguments);
      } else if (keyword == "vt") {
        addTexcoord(statement.arguments);
      } else if (keyword == "f") {
        if (faces.size() >= static_cast<std::size_t>(kObjImportFaceLimit)) {
          error = kFaceBudgetText;
          return false;
        }
        addFace(statement.arguments);
      } else if (keyword == "usemtl") {
        useMaterial(statement.arguments);
      } else if (keyword == "mtllib") {
        loadObjMaterialLibraries(objPath, statement.arguments, materials, result);
      }
    }
    if (vertices.empty()) {
      error = kNoVerticesText;
      return false;
    }
    if (faces.empty()) {
      error = kNoFacesText;
      // Faces past the corner limit were all there was: name them and the limit.
      if (result.oversizedFaces > 0) {
        error = kOnlySkippedFacesText + objSkippedFacesText(result) + L".";
        result.refusalStatus = objOversizedFacesRefusal(result.oversizedFaces);
      }
      return false;
    }
    result.vertices = static_cast<std::int32_t>(vertices.size());
    result.texcoords = static_cast<std::int32_t>(uvs.size());
    result.faces = static_cast<std::int32_t>(faces.size());
    result.mesh.vertices = std::move(vertices);
    result.mesh.uvs = std::move(uvs);
    result.mesh.faces = std::move(faces);
    return true;
  }
};

}  // namespace

bool parseObjVertexIndex(std::string_view token, std::int32_t vertexCount, std::int32_t& index) {
  return resolveIndex(token.substr(0, token.find('/')), vertexCount, index);
}

bool parseObjTexcoordIndex(std::string_view token, std::int32_t uvCount, std::int32_t& index) {
  const std::string_view part = texcoordPart(token);
  if (part.empty()) {
    index = -1;
    return true;
  }
  return resolveIndex(part, uvCount, index);
}

bool parseObjFile(std::string_view text, const std::wstring& objPath, ObjImportResult& result, std::wstring& error) {
  result = ObjImportResult{};
  result.mesh.schema = L"mesh-data-v1";
  result.materials.push_back(makeImportedObjDefaultMaterial());
  ObjParser parser(result, objPath);
  parser.materials.slots.emplace(kDefaultMaterialName, 0);
  return parser.run(text, error);
}

}  // namespace vk
