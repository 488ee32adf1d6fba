#include <cmath>
#include <filesystem>
#include <system_error>

#include "formats/import_file.h"
#include "formats/obj_import.h"
#include "formats/wavefront_text.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "platform/file_io.h"
#include "platform/kernel.h"
#include "shading/textures.h"

namespace vk {

namespace {

using namespace wavefront;

struct MapStatement {
  std::string_view keyword;
  const wchar_t* channel;
};
constexpr MapStatement kMapStatements[] = {
    {"map_Kd", L"color"},     {"map_d", L"alpha"},     {"map_Pr", L"roughness"}, {"map_Ns", L"roughness"},
    {"bump", L"normal"},      {"map_Bump", L"normal"}, {"map_bump", L"normal"},  {"norm", L"normal"},
};

// The most values each map option takes; other options take none.
int mapOptionValueCount(std::string_view option) {
  if (option == "-s" || option == "-o") return 3;
  if (option == "-mm") return 2;
  if (option == "-clamp" || option == "-blendu" || option == "-blendv" || option == "-boost" || option == "-bm")
    return 1;
  return 0;
}

// An option value: a whole number token or on/off. Exporters often write
// fewer values than an option may take ("-o 0.1 file.png"), and the file
// name after them must not be taken for a value.
bool isMapOptionValue(std::string_view token) {
  if (token == "on" || token == "off") return true;
  std::string_view rest = token;
  double value = 0.0;
  return readDouble(rest, value) && rest.empty();
}

bool isDriveLetterPath(const std::wstring& path) {
  return path.size() > 2 && path[1] == L':' &&
         ((path[0] >= L'a' && path[0] <= L'z') || (path[0] >= L'A' && path[0] <= L'Z'));
}

bool isRegularFile(const std::wstring& path) { return !path.empty() && fileStatus(path).regular; }

// The references of a map statement once the options are passed over: the
// last one, and the statement's rest from the first one on (for file names
// with blanks).
struct MapReferences {
  std::string_view last;
  std::string_view restFromFirst;
};
MapReferences scanMapReferences(std::string_view arguments) {
  MapReferences found;
  int values = 0;
  std::string_view rest = arguments;
  while (true) {
    const std::string_view before = skipBlanks(rest);
    const std::string_view token = nextToken(rest);
    if (token.empty()) break;
    if (values > 0 && isMapOptionValue(token)) {
      --values;
    } else if (token.front() == '-') {
      values = mapOptionValueCount(token);
    } else {
      values = 0;
      if (found.restFromFirst.empty()) found.restFromFirst = trimBlanks(before);
      found.last = token;
    }
  }
  return found;
}

// Library names split at blanks, where a backslash before a blank keeps the
// blank in the name ("my\ file.mtl"), as several exporters write them.
std::string nextLibraryName(std::string_view& rest) {
  rest = skipBlanks(rest);
  std::string name;
  std::size_t i = 0;
  for (; i < rest.size() && !isBlank(rest[i]); ++i) {
    if (rest[i] == '\\' && i + 1 < rest.size() && isBlank(rest[i + 1])) ++i;
    name += rest[i];
  }
  rest.remove_prefix(i);
  return name;
}

struct MtlParser {
  MtlParser(const std::wstring& path, std::map<std::wstring, int>& slotMap, ObjImportResult& target)
      : mtlPath(path), slots(slotMap), result(target), fileName(textureFileName(path)) {}
  const std::wstring& mtlPath;
  std::map<std::wstring, int>& slots;
  ObjImportResult& result;
  std::wstring fileName;
  Material pending;
  bool hasPending = false;
  std::int32_t pendingMaps = 0;

  void commit() {
    if (!hasPending) return;
    ensureMaterialTextureMaps(pending);
    const auto found = slots.find(pending.name);
    if (found == slots.end()) {
      if (result.materials.size() < kObjImportMaterialLimit) {
        slots.emplace(pending.name, static_cast<int>(result.materials.size()));
        result.materials.push_back(std::move(pending));
        ++result.materialsAdded;
      }
    } else {
      result.materials[static_cast<std::size_t>(found->second)] = std::move(pending);
    }
    result.textureMaps += pendingMaps;
    pending = Material{};
    hasPending = false;
    pendingMaps = 0;
  }

  void begin(std::string_view arguments) {
    commit();
    pending = makeImportedObjDefaultMaterial();
    pending.name = sanitizeWavefrontMaterialName(arguments);
    pending.capsuleId = L"phase62-6-mtl-import";
    pending.capsuleLabel = L"MTL Import";
    pending.capsuleNote = L"Phase 62.6 OBJ + MTL material imported from " + fileName;
    hasPending = true;
    pendingMaps = 0;
  }

  void assignMap(const wchar_t* channel, std::string_view arguments) {
    std::wstring path;
    const MapReferences references = scanMapReferences(arguments);
    if (references.restFromFirst.find_first_of(" \t") != std::string_view::npos) {
      path = resolveMtlTexturePath(mtlPath, references.restFromFirst);
      if (!isRegularFile(path)) path.clear();
    }
    if (path.empty()) path = resolveMtlTexturePath(mtlPath, references.last);
    if (path.empty()) return;
    assignTextureMapPath(pending, channel, path);
    ++pendingMaps;
  }

  // A value that cannot be read, or is not finite, leaves the field as it was.
  static bool readOne(std::string_view arguments, double& value) {
    return readFiniteDoubles(arguments, &value, 1);
  }

  void statement(std::string_view keyword, std::string_view arguments) {
    double x = 0.0;
    if (keyword == "Kd") {
      double rgb[3];
      if (!readFiniteDoubles(arguments, rgb, 3)) return;
      // Clamped before the conversion: a huge value must not overflow the integer.
      auto channel = [](double v) { return static_cast<std::int32_t>(std::lround(clampDouble(v * 255.0, 0.0, 255.0))); };
      pending.r = channel(rgb[0]);
      pending.g = channel(rgb[1]);
      pending.b = channel(rgb[2]);
    } else if (keyword == "d") {
      if (readOne(arguments, x)) pending.alpha = clampDouble(x, 0.05, 1.0);
    } else if (keyword == "Tr") {
      if (readOne(arguments, x)) pending.alpha = clampDouble(1.0 - x, 0.05, 1.0);
    } else if (keyword == "Pr" || keyword == "roughness") {
      if (readOne(arguments, x)) pending.roughness = clampDouble(x, 0.0, 1.0);
    } else if (keyword == "Ns") {
      if (readOne(arguments, x)) pending.roughness = clampDouble(1.0 - x / 1000.0, 0.0, 1.0);
    } else if (keyword == "Pm") {
      if (readOne(arguments, x)) pending.metallic = clampDouble(x, 0.0, 1.0);
    } else {
      for (const MapStatement& map : kMapStatements) {
        if (keyword == map.keyword) {
          assignMap(map.channel, arguments);
          return;
        }
      }
    }
  }

  void run(std::string_view text) {
    if (result.materials.empty()) result.materials.push_back(makeImportedObjDefaultMaterial());
    LineReader reader(skipByteOrderMark(text));
    std::string_view line;
    for (std::int32_t count = 0; count < kMtlImportLineLimit && reader.next(line); ++count) {
      if (line.size() > kWavefrontImportLineByteLimit) {
        ++result.skippedLines;
        continue;
      }
      const Statement parsed = splitStatement(line);
      if (parsed.keyword.empty()) continue;
      const std::string_view arguments = trimBlanks(parsed.arguments);
      if (parsed.keyword == "newmtl")
        begin(arguments);
      else if (hasPending)
        statement(parsed.keyword, arguments);
    }
    commit();
  }
};

// The path of a library name, resolved once; null past the distinct-name cap.
const std::wstring* resolveLibraryName(const std::wstring& folder, std::string_view name, ObjMaterialState& state,
                                       ObjImportResult& result) {
  const auto known = state.resolvedNames.find(std::string(name));
  if (known != state.resolvedNames.end()) return &known->second;
  if (state.resolvedNames.size() >= kObjImportLibraryNameLimit) {
    if (result.mtlLibrariesNotTried < INT32_MAX) ++result.mtlLibrariesNotTried;
    return nullptr;
  }
  return &state.resolvedNames.emplace(std::string(name), resolveWavefrontReference(folder, name)).first->second;
}

// Reads and parses one library unless this import met its path already.
void loadLibrary(const std::wstring& path, ObjMaterialState& state, ObjImportResult& result) {
  const auto known = state.libraries.find(path);
  if (known != state.libraries.end()) {
    if (!known->second) ++result.skippedLines;
    return;
  }
  std::wstring error;
  const LimitedTextFile file = readTextFileLimited(path, kMtlImportFileByteLimit, error);
  state.libraries.emplace(path, file.ok);
  if (!file.ok) {
    ++result.skippedLines;
    return;
  }
  parseMtlFile(file.text, path, state.slots, result);
  ++result.mtlLibraries;
  if (!result.mtlLibraryNames.empty()) result.mtlLibraryNames += L", ";
  result.mtlLibraryNames += textureFileName(path);
}

}  // namespace

std::wstring resolveWavefrontReference(const std::wstring& folder, std::string_view reference) {
  // A NUL would cut the name short at the system call: another file.
  if (reference.find('\0') != std::string_view::npos) return {};
  std::wstring path = sanitizeTexturePath(utf8ToWide(trimBlanks(reference)));
  if (path.empty()) return {};
  if (!texturePathIsAbsolute(path) && !folder.empty()) {
    path = folder.back() == L'/' || folder.back() == L'\\' ? folder + path : folder + L"/" + path;
  }
  namespace fs = std::filesystem;
  fs::path full = pathFromWide(path);
  // A drive-letter path is absolute where it was written: never joined to
  // the working folder here.
  if (!isDriveLetterPath(path)) {
    std::error_code ec;
    fs::path absolute = fs::absolute(full, ec);
    if (!ec && !absolute.empty()) full = std::move(absolute);
  }
  return wideFromPath(full.lexically_normal());
}

std::wstring resolveMtlTexturePath(const std::wstring& mtlPath, std::string_view reference) {
  return resolveWavefrontReference(parentDirectory(mtlPath), reference);
}

std::string mtlMapPath(std::string_view arguments) {
  return std::string(trimBlanks(scanMapReferences(arguments).last));
}

void parseMtlFile(std::string_view text, const std::wstring& mtlPath, std::map<std::wstring, int>& slots,
                  ObjImportResult& result) {
  MtlParser parser(mtlPath, slots, result);
  parser.run(text);
}

void loadObjMaterialLibraries(const std::wstring& objPath, std::string_view arguments, ObjMaterialState& state,
                              ObjImportResult& result) {
  const std::wstring folder = parentDirectory(objPath);
  const std::string_view whole = trimBlanks(arguments);
  // A library name with blanks, when such a file is there, is one library.
  if (whole.find_first_of(" \t") != std::string_view::npos) {
    // Past the cap the blanks only separate names (counted below).
    const bool room = state.resolvedNames.size() < kObjImportLibraryNameLimit || state.resolvedNames.count(std::string(whole));
    const std::wstring* path = room ? resolveLibraryName(folder, whole, state, result) : nullptr;
    const auto known = path ? state.libraries.find(*path) : state.libraries.end();
    if (path && (known != state.libraries.end() ? known->second : isRegularFile(*path))) {
      loadLibrary(*path, state, result);
      return;
    }
  }
  for (std::string name = nextLibraryName(arguments); !name.empty(); name = nextLibraryName(arguments)) {
    const std::wstring* path = resolveLibraryName(folder, name, state, result);
    if (path && !path->empty()) loadLibrary(*path, state, result);
  }
}

}  // namespace vk
