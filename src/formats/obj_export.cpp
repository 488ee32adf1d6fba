#include "formats/obj_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "formats/exchange_axes.h"
#include "formats/export_command.h"
#include "formats/export_scope.h"
#include "model/app_state.h"
#include "model/math.h"
#include "platform/win32.h"
#include "model/services.h"

namespace vk {

namespace {

constexpr char kHeaderTitle[] = "# Veltrask Studio Phase 64.10.5 OBJ Export\n";
constexpr char kFooter[] = "# End Veltrask Studio Phase 64.10.5 OBJ Export\n";
constexpr wchar_t kOutputBudgetText[] = L"OBJ export blocked: output exceeds the Phase 62 safe file budget.";

bool isNameCharacter(wchar_t c) {
  return c == L'-' || c == L'.' || c == L'_' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') ||
         (c >= L'a' && c <= L'z');
}

// Fixed notation with six decimals, as printf's "%.6f" writes it ("-0.000000"
// included). A value that is not finite is written 0 so that every reader,
// ours included, keeps the line and the indices after it. Returns the end.
char* writeCoordinate(char* out, char* end, double value) {
  if (!std::isfinite(value)) value = 0.0;
  const auto [last, ec] = std::to_chars(out, end, value, std::chars_format::fixed, 6);
  if (ec == std::errc{}) return last;
  static constexpr char kZero[] = "0.000000";
  return std::copy(kZero, kZero + 8, out);
}

// One "v x y z" line; a finite double needs at most 309 + 8 characters.
void appendVertexLine(std::string& out, const Vec3& p) {
  char line[3 * 330 + 4];
  char* const end = line + sizeof line;
  char* at = line;
  *at++ = 'v';
  *at++ = ' ';
  at = writeCoordinate(at, end, p.x);
  *at++ = ' ';
  at = writeCoordinate(at, end, p.y);
  *at++ = ' ';
  at = writeCoordinate(at, end, p.z);
  *at++ = '\n';
  out.append(line, at);
}

void appendFaceLine(std::string& out, const std::vector<std::int32_t>& indices, std::uint64_t offset) {
  char line[kExportScopeFaceCornerLimit * 22 + 4];
  char* const end = line + sizeof line;
  char* at = line;
  *at++ = 'f';
  for (const std::int32_t index : indices) {
    *at++ = ' ';
    at = std::to_chars(at, end, static_cast<std::uint64_t>(index) + 1 + offset).ptr;
  }
  *at++ = '\n';
  out.append(line, at);
}

}  // namespace

std::string objSafeObjectName(const std::wstring& text, const char* fallback) {
  std::string name;
  for (const wchar_t c : text) {
    if (isNameCharacter(c))
      name += static_cast<char>(c);
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  if (name.empty()) name = fallback ? fallback : "Veltrask_Object";
  if (name.size() > 96) name.resize(96);
  return name;
}

std::string buildObjExportText(const std::vector<const Object*>& scope, ObjExportCounts& counts, std::wstring& error) {
  counts = ObjExportCounts{};
  if (scope.empty()) {
    error = L"OBJ export blocked: select a mesh/text object or make at least one mesh visible.";
    return {};
  }
  if (scope.size() > kExportScopeObjectLimit) {
    error = L"OBJ export blocked: object count exceeds the Phase 62 safe export budget.";
    return {};
  }
  std::string text = kHeaderTitle;
  // Typical lines: about 30 bytes a vertex and 8 a corner.
  std::size_t estimate = 4096;
  for (const Object* object : scope)
    if (object) estimate += object->meshData.vertices.read().size() * 30 + object->meshData.faces.read().size() * 36;
  text.reserve(std::min(estimate, kObjExportByteLimit + 4096));
  text += "# Generated from project: " + objSafeObjectName(appState().project.name, "Veltrask_Project") + "\n";
  text += "# Scope: selected mesh when valid, otherwise visible mesh/text objects\n\n";
  std::uint64_t offset = 0;
  for (const Object* object : scope) {
    if (object == nullptr || !objectWorldExportable(*object)) continue;
    const MeshData& mesh = object->meshData;
    const std::vector<Vec3>& vertices = mesh.vertices.read();
    const std::vector<MeshFace>& faces = mesh.faces.read();
    if (static_cast<std::uint64_t>(counts.vertices) + vertices.size() > kObjExportVertexLimit) {
      error = L"OBJ export blocked: vertex count exceeds the Phase 62 safe export budget.";
      return {};
    }
    if (static_cast<std::uint64_t>(counts.faces) + faces.size() > kObjExportFaceLimit) {
      error = L"OBJ export blocked: face count exceeds the Phase 62 safe export budget.";
      return {};
    }
    text += "o " + objSafeObjectName(object->name, "Veltrask_Object") + "\n";
    text += "# sourceId " + objSafeObjectName(object->id, "obj") + "\n";
    // Tested per line: huge coordinates make long lines, and the text must
    // never grow far past the budget before it is refused.
    for (const Vec3& local : vertices) {
      appendVertexLine(text, exchangeMirrorPoint(objectWorldPoint(*object, local)));
      if (text.size() > kObjExportByteLimit) {
        error = kOutputBudgetText;
        return {};
      }
    }
    // The positions are written in world space: a transform that mirrors
    // turns the faces over once more, undoing the exchange mirror's turn.
    const Vec3& scale = object->transform.scale;
    const bool turnFaces = !(scale.x * scale.y * scale.z < 0.0);
    std::vector<std::int32_t> corners;
    for (const MeshFace& face : faces) {
      if (!objFaceExportable(mesh, face)) {
        ++counts.skippedFaces;
        if (face.indices.size() > kExportScopeFaceCornerLimit) ++counts.oversizedFaces;
        continue;
      }
      corners.assign(face.indices.begin(), face.indices.end());
      if (turnFaces) reverseWindingKeepFirst(corners);
      appendFaceLine(text, corners, offset);
      ++counts.faces;
      if (text.size() > kObjExportByteLimit) {
        error = kOutputBudgetText;
        return {};
      }
    }
    text += '\n';
    counts.vertices += static_cast<std::int32_t>(vertices.size());
    offset += vertices.size();
    ++counts.objects;
  }
  if (counts.objects < 1 || counts.vertices < 1 || counts.faces < 1) {
    error = exportNoFacesError(L"OBJ export failed: no valid mesh faces were available to write.", L"OBJ",
                               counts.skippedFaces, counts.oversizedFaces);
    return {};
  }
  text += kFooter;
  return text;
}

std::wstring objExportFacesLeftOutStatus(const ObjExportCounts& counts) {
  return exportFacesLeftOutStatus(L"OBJ", counts.skippedFaces, counts.oversizedFaces);
}

void exportObj() {
  const std::vector<const Object*> scope = collectSelectedOrVisibleMeshes();
  ObjExportCounts counts;
  ExportCommand command{L"OBJ", objFileDialog(true, L"veltrask_phase62_export.obj"), nullptr, nullptr};
  command.build = [&](const std::wstring&, std::string& text, std::wstring& error) {
    text = buildObjExportText(scope, counts, error);
    return !text.empty();
  };
  command.written = [&](const std::string&) {
    // Faces left out would be lost past the counts' end of the status line.
    if (const std::wstring leftOut = objExportFacesLeftOutStatus(counts); !leftOut.empty()) {
      setStatusText(leftOut);
      return;
    }
    setStatusText(L"●  Exported OBJ: " + std::to_wstring(counts.objects) + L" object(s), " +
                  std::to_wstring(counts.vertices) + L" vertices, " + std::to_wstring(counts.faces) + L" faces");
  };
  runExportCommand(!scope.empty(), command);
}

}  // namespace vk
