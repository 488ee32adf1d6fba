// Texture channel keys and the path rules of texture maps: how a stored map
// path is cleaned, tested and resolved against the project file's folder.
// File-system queries use error codes only; a failing query never throws.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/types.h"

namespace vk {

// "color", "normal", "roughness", "metallic", "alpha", "emission": one list
// built once for the whole process.
const std::vector<std::wstring>& textureChannelKeys();

// "sRGB" for "color" and "emission", "Linear" for every other text.
std::wstring defaultColorSpaceForSlot(const std::wstring& channel);

inline constexpr std::size_t kTexturePathCharLimit = 1024;

// Backslashes become '/', surrounding blanks, tabs, CR and LF (path blanks)
// go, and the result is at most kTexturePathCharLimit characters (never
// ending in a blank after the cut).
std::wstring sanitizeTexturePath(const std::wstring& path);
bool isTrimmedPathBlank(wchar_t c);

// A drive-letter path ("C:x", longer than two characters) or one that begins
// with '/'. Expects a path already passed through sanitizeTexturePath.
bool texturePathIsAbsolute(const std::wstring& path);

// The last path component ('\\' and '/' both separate); the whole path when
// that component is empty or only a root remains.
std::wstring textureFileName(const std::wstring& path);

// True when the map's image does not come from a file: embedded, data URI,
// deferred, unsupported, or one of the matching source kinds.
bool textureSourceIsNonFile(const TextureMap& map);

// The folder of the open project file; the current working folder when the
// project has no path (or only a bare file name), "" when that is unknown.
std::wstring projectBaseDirectory();

// "" for an empty path or a non-file source; an absolute path unchanged;
// otherwise the path joined to projectBaseDirectory().
std::wstring resolveTexturePathAbsolute(const TextureMap& map);

// True when something (file, folder or other entry) exists at the path.
// Any file-system error counts as nothing there.
bool pathEntryExists(const std::wstring& path);

// Moving relative texture paths from one project folder to another: each is
// resolved against the old folder, then stored relative to the new one when
// it lies inside, else absolute with `relative` off. Absolute paths and
// non-file maps stay. Results are memoised per distinct stored path.
struct RebasedTexturePath {
  std::wstring path;
  bool relative = false;
};
struct TexturePathRebase {
  std::filesystem::path from, to;  // absolute, canonical where they exist
  // False when both name the same folder or either cannot be resolved:
  // then nothing moves.
  bool changesFolder = false;
  std::unordered_map<std::wstring, RebasedTexturePath> memo;
};

TexturePathRebase makeTexturePathRebase(const std::wstring& fromFolder, const std::wstring& toFolder);
void rebaseTexturePath(TexturePathRebase& rebase, TextureMap& map);
// Every map of every slot and base material of the project.
void rebaseTexturePaths(TexturePathRebase& rebase, Project& project);
// Moves a project whose relative paths were made for `fromFolder` to the
// current projectBaseDirectory(); nothing when that is the same text.
void rebaseTexturePathsFrom(Project& project, const std::wstring& fromFolder);

}  // namespace vk
