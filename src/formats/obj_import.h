// Wavefront OBJ import with its MTL libraries: the parsers, the path rules of
// library and texture references, and the Import OBJ command.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/file_choice.h"
#include "model/types.h"

namespace vk {

// ---- limits ---------------------------------------------------------------
// Over a blocking limit the import is refused; over the others the excess is
// skipped, counted or clamped, and the import goes on.
inline constexpr std::uint64_t kObjImportFileByteLimit = 8388608;   // an OBJ file larger is not read
inline constexpr std::uint64_t kMtlImportFileByteLimit = 2097152;   // an MTL library larger is not read
inline constexpr std::int32_t kObjImportLineLimit = 300000;         // OBJ lines; blocks
inline constexpr std::int32_t kObjImportVertexLimit = 20000;        // "v" statements; blocks
inline constexpr std::int32_t kObjImportTexcoordLimit = 60000;      // "vt" statements; the rest are skipped
inline constexpr std::int32_t kObjImportFaceLimit = 40000;          // "f" statements; blocks
inline constexpr std::size_t kObjImportFaceCornerLimit = 64;        // corners of one face; a longer face is skipped
inline constexpr std::size_t kObjImportMaterialLimit = 32;          // material slots, default included; more names use slot 0
inline constexpr std::size_t kWavefrontImportLineByteLimit = 4096;  // bytes of one OBJ or MTL line; a longer one is skipped
inline constexpr std::int32_t kMtlImportLineLimit = 120000;         // MTL lines read; the rest are ignored
inline constexpr double kObjImportCoordinateLimit = 10000.0;        // |coordinate|; larger ones are clamped
// Distinct library names one import looks for on disk; a file naming more
// (each one a disk lookup) gets the rest counted, not tried.
inline constexpr std::size_t kObjImportLibraryNameLimit = 64;
// An import is refused when the scene already holds this many objects.
inline constexpr std::size_t kObjImportObjectLimit = 256;

struct ObjImportResult {
  MeshData mesh;
  std::vector<Material> materials;  // slot 0 is the default material
  std::int32_t vertices = 0;
  std::int32_t texcoords = 0;
  std::int32_t faces = 0;
  std::int32_t materialsAdded = 0;
  std::int32_t textureMaps = 0;
  std::int32_t mtlLibraries = 0;
  std::int32_t skippedFaces = 0;
  std::int32_t oversizedFaces = 0;  // of the skipped faces, those with more corners than the limit
  std::int32_t skippedLines = 0;
  std::wstring mtlLibraryNames;  // loaded libraries' file names, ", " between
  // Library names met after kObjImportLibraryNameLimit distinct ones: not looked for.
  std::int32_t mtlLibrariesNotTried = 0;
  // The status line of a refusal whose text is too long for it; "" when the
  // status line repeats the text.
  std::wstring refusalStatus;
};

// What one import's material statements share: material names to slots
// (exact comparison) and each library path met so far with whether it read.
struct ObjMaterialState {
  std::map<std::wstring, int> slots;
  std::map<std::wstring, bool> libraries;
  // Library names as written, resolved once: a file may repeat them often.
  std::unordered_map<std::string, std::wstring> resolvedNames;
};

// Fills `result` from the OBJ text; false with `error` set when a budget
// blocks the import or no vertex or face survives. A leading UTF-8 byte-order
// mark is skipped. MTL libraries are read relative to `objPath`.
bool parseObjFile(std::string_view text, const std::wstring& objPath, ObjImportResult& result, std::wstring& error);

// The faces an import could not keep, counted by reason ("1 face with more
// than 64 corners and 2 faces with bad or repeated corners"); "" when none.
std::wstring objSkippedFacesText(const ObjImportResult& result);
// Status lines short enough for the status line at any count: an import
// that left `faces` out, and one refused because its only faces had more
// than kObjImportFaceCornerLimit corners. The note or the box says more.
std::wstring objFacesLeftOutStatus(std::int64_t faces);
std::wstring objOversizedFacesRefusal(std::int64_t faces);

// One face corner ('v', 'v/vt', 'v//vn', 'v/vt/vn'): a 1-based or negative
// (relative to `count`) index turned into [0, count); false otherwise.
bool parseObjVertexIndex(std::string_view token, std::int32_t vertexCount, std::int32_t& index);
// Sets `index` to -1 when the corner carries no texture coordinate.
bool parseObjTexcoordIndex(std::string_view token, std::int32_t uvCount, std::int32_t& index);

// "OBJ: " + the file's stem, "OBJ: Imported OBJ" when it has none.
std::wstring objImportObjectName(const std::wstring& path);

// One "mtllib" statement: reads each named library once per import.
void loadObjMaterialLibraries(const std::wstring& objPath, std::string_view arguments, ObjMaterialState& state,
                              ObjImportResult& result);
// Adds or replaces the materials of one MTL text; a leading byte-order mark
// is skipped.
void parseMtlFile(std::string_view text, const std::wstring& mtlPath, std::map<std::wstring, int>& slots,
                  ObjImportResult& result);
// The file reference of a map statement after its options; "" when none.
std::string mtlMapPath(std::string_view arguments);
// The reference made absolute against the MTL file's folder, normalised.
std::wstring resolveMtlTexturePath(const std::wstring& mtlPath, std::string_view reference);
// A library or texture reference made absolute against `folder`: a drive-
// letter path stays as it is (only normalised), no link is resolved.
std::wstring resolveWavefrontReference(const std::wstring& folder, std::string_view reference);

// The Open or Save dialog for OBJ files.
FileDialogSpec objFileDialog(bool save, std::wstring_view proposedName);

// kCmdImportObj.
void importObjFile();

}  // namespace vk
