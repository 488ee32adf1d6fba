#include <algorithm>
#include <system_error>
#include <utility>

#include "model/texture_paths.h"
#include "platform/file_io.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

// Absolute and canonical as far as it exists; empty on any error.
fs::path resolvedFolder(const std::wstring& folder) {
  if (folder.empty() || folder.find(L'\0') != std::wstring::npos) return {};
  std::error_code error;
  fs::path absolute = fs::absolute(pathFromWide(folder), error);
  if (error) return {};
  fs::path canonical = fs::weakly_canonical(absolute, error);
  if (error) return {};
  return canonical;
}

bool climbsOut(const fs::path& relative) {
  for (const fs::path& element : relative)
    if (element == "..") return true;
  return false;
}

RebasedTexturePath rebasedPath(const TexturePathRebase& rebase, const std::wstring& stored) {
  const fs::path joined = rebase.from / pathFromWide(stored);
  fs::path image = joined.lexically_normal();
  // ".." after a symbolic link climbs from the link's target, not lexically.
  if (climbsOut(pathFromWide(stored))) {
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(joined, error);
    if (!error) image = std::move(canonical);
  }
  const fs::path inside = image.lexically_relative(rebase.to);
  if (!inside.empty() && inside != "." && !climbsOut(inside)) {
    const std::wstring relative = sanitizeTexturePath(wideFromPath(inside.generic_string()));
    if (!relative.empty()) return {relative, true};
  }
  return {sanitizeTexturePath(wideFromPath(image.generic_string())), false};
}

bool pathMovesWithFolder(const TextureMap& map) {
  return !map.path.empty() && !texturePathIsAbsolute(map.path) && !textureSourceIsNonFile(map);
}

bool materialHasMovablePath(const Material& material) {
  const auto& maps = material.textureMaps.maps;
  return std::any_of(maps.begin(), maps.end(), pathMovesWithFolder);
}

void rebaseMaterial(TexturePathRebase& rebase, Material& material) {
  for (TextureMap& map : material.textureMaps.maps) rebaseTexturePath(rebase, map);
}

}  // namespace

TexturePathRebase makeTexturePathRebase(const std::wstring& fromFolder, const std::wstring& toFolder) {
  TexturePathRebase rebase;
  rebase.from = resolvedFolder(fromFolder);
  rebase.to = resolvedFolder(toFolder);
  rebase.changesFolder = !rebase.from.empty() && !rebase.to.empty() && rebase.from != rebase.to;
  return rebase;
}

void rebaseTexturePath(TexturePathRebase& rebase, TextureMap& map) {
  if (!rebase.changesFolder || !pathMovesWithFolder(map)) return;
  auto found = rebase.memo.find(map.path);
  if (found == rebase.memo.end()) found = rebase.memo.emplace(map.path, rebasedPath(rebase, map.path)).first;
  map.path = found->second.path;
  map.relative = found->second.relative;
}

void rebaseTexturePathsFrom(Project& project, const std::wstring& fromFolder) {
  const std::wstring toFolder = projectBaseDirectory();
  if (fromFolder.empty() || fromFolder == toFolder) return;
  TexturePathRebase rebase = makeTexturePathRebase(fromFolder, toFolder);
  rebaseTexturePaths(rebase, project);
}

void rebaseTexturePaths(TexturePathRebase& rebase, Project& project) {
  if (!rebase.changesFolder) return;
  ObjectList& objects = project.scene.objects;
  // Write access only for objects with a path to move: the others stay
  // shared with the undo history.
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const Object& current = std::as_const(objects)[i];
    const bool moves = materialHasMovablePath(current.material) ||
                       std::any_of(current.materialSlots.slots.begin(), current.materialSlots.slots.end(),
                                   materialHasMovablePath);
    if (!moves) continue;
    Object& object = objects[i];
    rebaseMaterial(rebase, object.material);
    for (Material& slot : object.materialSlots.slots) rebaseMaterial(rebase, slot);
  }
}

}  // namespace vk
