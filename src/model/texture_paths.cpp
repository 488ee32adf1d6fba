#include "model/texture_paths.h"

#include <climits>
#include <filesystem>
#include <system_error>

#include "model/app_state.h"
#include "model/text_utils.h"
#include "platform/kernel.h"

namespace vk {

namespace {

bool isPathSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

void trimTrailingPathBlanks(std::wstring& text) {
  while (!text.empty() && isTrimmedPathBlank(text.back())) text.pop_back();
}

std::filesystem::path nativePath(const std::wstring& path) {
  return std::filesystem::path(wideToUtf8(path));
}

}  // namespace

const std::vector<std::wstring>& textureChannelKeys() {
  static const std::vector<std::wstring> keys{L"color", L"normal", L"roughness",
                                              L"metallic", L"alpha", L"emission"};
  return keys;
}

std::wstring defaultColorSpaceForSlot(const std::wstring& channel) {
  return (channel == L"color" || channel == L"emission") ? L"sRGB" : L"Linear";
}

bool isTrimmedPathBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring sanitizeTexturePath(const std::wstring& path) {
  std::wstring out = path;
  for (wchar_t& c : out) {
    if (c == L'\\') c = L'/';
  }
  trimTrailingPathBlanks(out);
  std::size_t first = 0;
  while (first < out.size() && isTrimmedPathBlank(out[first])) ++first;
  out.erase(0, first);
  if (out.size() > kTexturePathCharLimit) {
    out.resize(kTexturePathCharLimit);
    // The cut may expose a blank; trimming again keeps the rule idempotent.
    trimTrailingPathBlanks(out);
  }
  return out;
}

bool texturePathIsAbsolute(const std::wstring& path) {
  if (path.size() > 2 && isAsciiAlpha(path[0]) && path[1] == L':') return true;
  return !path.empty() && path[0] == L'/';
}

std::wstring textureFileName(const std::wstring& path) {
  // The parent rule knows drive and network roots; the name is what follows it.
  const std::wstring parent = parentDirectory(path);
  if (parent == path) return path;
  std::size_t start = parent.size();
  while (start < path.size() && isPathSeparator(path[start])) ++start;
  if (start >= path.size()) return path;
  return path.substr(start);
}

bool textureSourceIsNonFile(const TextureMap& map) {
  if (map.embedded || map.dataUri || map.deferredDecode || map.unsupportedFormat) return true;
  return map.sourceKind == L"embedded-bufferView" || map.sourceKind == L"data-uri" ||
         map.sourceKind == L"metadata-only" || map.sourceKind == L"unsupported-format";
}

std::wstring projectBaseDirectory() {
  const std::wstring& projectPath = appState().projectPath;
  if (!projectPath.empty()) {
    std::wstring folder = parentDirectory(projectPath);
    if (!folder.empty()) return folder;
  }
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  if (error) return L"";
  return utf8ToWide(cwd.string());
}

std::wstring resolveTexturePathAbsolute(const TextureMap& map) {
  if (map.path.empty() || textureSourceIsNonFile(map)) return L"";
  // Joining an absolute path to a folder yields the absolute path itself, so a
  // map wrongly marked relative still finds its file.
  if (texturePathIsAbsolute(map.path)) return map.path;
  std::wstring base = projectBaseDirectory();
  if (base.empty()) return map.path;
  if (!isPathSeparator(base.back())) base += L'/';
  return base + map.path;
}

bool pathEntryExists(const std::wstring& path) {
  // The system would stop reading at a NUL and test a different, shorter path;
  // it names nothing by a path longer than its limit (which is then not
  // converted either).
  if (path.empty() || path.size() > PATH_MAX || path.find(L'\0') != std::wstring::npos) return false;
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(nativePath(path), error);
  if (error) return false;
  return std::filesystem::exists(status);
}

}  // namespace vk
