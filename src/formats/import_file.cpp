#include "formats/import_file.h"

#include "model/sanitize.h"
#include "model/text_utils.h"
#include "persistence/project_flows.h"
#include "platform/file_io.h"
#include "platform/kernel.h"

namespace vk {

namespace {

constexpr wchar_t kSizeLimitText[] = L"OBJ import blocked: file exceeds the Phase 61 safe size limit.";
constexpr wchar_t kReadBudgetText[] = L"OBJ import blocked: file exceeded the Phase 61 safe read budget.";
constexpr wchar_t kOpenFailedText[] = L"OBJ import failed: file could not be opened.";

std::string_view trimBytes(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

LimitedTextFile readTextFileLimited(const std::wstring& path, std::uint64_t maxBytes, std::wstring& error) {
  LimitedTextFile result;
  TextFileReadResult read = readTextFile(path, maxBytes);
  if (read.tooLarge) {
    error = kSizeLimitText;
    return result;
  }
  if (!read.ok) {
    // The file grew past the budget between the size test and the read.
    const FileStatus after = fileStatus(path);
    error = after.regular && after.size > maxBytes ? kReadBudgetText : kOpenFailedText;
    result.reason = std::move(read.reason);
    return result;
  }
  result.text = std::move(read.text);
  result.ok = true;
  return result;
}

Material makeImportedObjDefaultMaterial() {
  Material material;
  material.r = 168;
  material.g = 184;
  material.b = 205;
  material.roughness = 0.48;
  material.metallic = 0.05;
  material.name = L"Imported OBJ Default";
  material.alpha = 1.0;
  material.emission = 0.0;
  material.capsuleId.clear();
  material.capsuleLabel.clear();
  material.capsuleNote.clear();
  material.textureMaps.maps.clear();
  ensureMaterialTextureMaps(material);
  return material;
}

std::wstring sanitizeWavefrontMaterialName(std::string_view text) {
  const std::wstring wide = utf8ToWide(trimBytes(text, " \t\r\n"));
  const std::size_t first = wide.find_first_not_of(L" \t");
  std::wstring name;
  if (first != std::wstring::npos) name = wide.substr(first, wide.find_last_not_of(L" \t") - first + 1);
  if (name.empty()) name = L"Imported MTL Material";
  return trimToSingleLine(name, 72);
}

}  // namespace vk
