// Texture maps for the viewport, the inspector and the preview panel: map
// lookups and status texts, path resolution, decoding into a thumbnail and a
// sample grid within a limit on the pixels decoded, the preview cache, and
// how a chosen file's path is stored.
//
// Sections:
//   - Preview decoding
//   - Map lookups and status texts
//   - The preview cache
//   - Storing chosen paths
#include "shading/textures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <system_error>

#include "model/sanitize.h"
#include "model/text_utils.h"
#include "platform/file_io.h"
#include "platform/image.h"

namespace vk {

// ---- Preview decoding -------------------------------------------------------
namespace {

constexpr int kThumbnailSide = 88;
constexpr int kSampleSide = 64;
constexpr std::uint32_t kThumbnailCheckerDark = 0xFF262C38;
constexpr std::uint32_t kThumbnailCheckerLight = 0xFF3A404E;
constexpr std::uint32_t kThumbnailBorder = 0xFF606878;
constexpr std::uint32_t kSampleBackground = 0xFF11161E;  // RGB(17, 22, 30)
// A thumbnail side beyond this is a caller error, refused before allocating.
constexpr int kThumbnailSideLimit = 4096;
// The grid and the thumbnail are resampled from the rows as they are
// decoded, as from the whole image. An image above 8 megapixels is reduced
// while decoding, to no less than this many times the side of the products:
// their bicubic reduction then stays close to the whole image's (within a
// level for ordinary images; a few levels at hard edges where BMP, TGA and
// interlaced PNG keep a point subsample).
constexpr int kDecodeMargin = 8;

const std::wstring kThumbnailDecodeFailed = L"GDI+ could not decode this image file.";
const std::wstring kThumbnailSizeInvalid = L"Image dimensions were invalid.";
const std::wstring kThumbnailNotCreated = L"Texture loaded, but the preview thumbnail could not be created.";
const std::wstring kSamplerDecodeFailed = L"GDI+ could not decode this texture for sampling.";
const std::wstring kSamplerSizeInvalid = L"Texture dimensions were invalid for sampling.";
const std::wstring kSamplerIncomplete = L"Texture sampling cache did not receive a complete pixel buffer.";
const std::wstring kDecodeBudgetSpent =
    L"Texture preview skipped: the textures of this project exceed the preview decoding budget.";

ImageArgb solidCanvas(int side, std::uint32_t argb) {
  ImageArgb canvas;
  canvas.width = canvas.height = side;
  canvas.pixels.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), argb);
  return canvas;
}

// Where the image goes in a side x side thumbnail: fitted with at least 6
// pixels of margin, its aspect kept.
ImageSize thumbnailImageSize(int sourceWidth, int sourceHeight, int side) {
  const double fit = side - 12;
  const double scale = std::max(std::min(fit / sourceWidth, fit / sourceHeight), 0.01);
  return {std::max(static_cast<int>(std::lround(scale * sourceWidth)), 1),
          std::max(static_cast<int>(std::lround(scale * sourceHeight)), 1)};
}

// The thumbnail of the fitted image: checkerboard, the image centred, and a
// 1-pixel border.
bool thumbnailFromImage(const ImageArgb& fitted, int side, HBITMAP& out, std::wstring& error) {
  if (side < 1 || side > kThumbnailSideLimit) {
    error = kThumbnailNotCreated;
    return false;
  }
  ImageArgb canvas = solidCanvas(side, kThumbnailCheckerLight);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if ((x / 10 + y / 10) % 2 == 1) canvas.pixels[static_cast<std::size_t>(y) * side + x] = kThumbnailCheckerDark;
  drawImageOver(canvas, fitted, (side - fitted.width) / 2, (side - fitted.height) / 2);
  for (int i = 0; i < side; ++i) {
    canvas.pixels[static_cast<std::size_t>(i)] = kThumbnailBorder;
    canvas.pixels[static_cast<std::size_t>(side - 1) * side + i] = kThumbnailBorder;
    canvas.pixels[static_cast<std::size_t>(i) * side] = kThumbnailBorder;
    canvas.pixels[static_cast<std::size_t>(i) * side + side - 1] = kThumbnailBorder;
  }
  out = createBitmapFromImage(canvas, std::nullopt);
  if (!out) {
    error = kThumbnailNotCreated;
    return false;
  }
  error.clear();
  return true;
}

// The sample grid of the image stretched to side x side, over the viewport
// background; translucent texels are composited over it.
bool samplesFromImage(const ImageArgb& stretched, int side, std::vector<std::uint32_t>& samples,
                      std::wstring& error) {
  samples.clear();
  ImageArgb canvas = solidCanvas(side, kSampleBackground);
  if (stretched.width == side && stretched.height == side) drawImageOver(canvas, stretched, 0, 0);
  else canvas.pixels.clear();
  samples.reserve(canvas.pixels.size());
  for (std::uint32_t argb : canvas.pixels) {
    const std::uint32_t a = argb >> 24;
    std::uint32_t channel[3] = {(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF};
    if (a < 255) {
      const std::uint32_t background[3] = {17, 22, 30};
      for (int c = 0; c < 3; ++c)
        channel[c] = static_cast<std::uint32_t>(
            (static_cast<double>(channel[c]) - background[c]) * a / 255.0 + background[c]);
    }
    samples.push_back(channel[0] | (channel[1] << 8) | (channel[2] << 16));
  }
  if (samples.size() != static_cast<std::size_t>(side) * static_cast<std::size_t>(side)) {
    samples.clear();
    error = kSamplerIncomplete;
    return false;
  }
  error.clear();
  return true;
}

// One decode of the file, resampled into a thumbnail's fitted image for a
// thumbnailSide square (none when 0) and a sampleSide grid (none when 0),
// in that order.
bool decodePreviewProducts(const std::wstring& path, int thumbnailSide, int sampleSide,
                           ImagePixelBudget* budget, ResampledImages& out, std::wstring* reason) {
  const int largest = std::max(thumbnailSide > 0 ? std::max(thumbnailSide - 12, 1) : 0, sampleSide);
  const int decodeSide = kDecodeMargin * largest;
  const ImageProductSizes sizes = [&](int width, int height) {
    std::vector<ImageSize> products;
    if (thumbnailSide > 0) products.push_back(thumbnailImageSize(width, height, thumbnailSide));
    if (sampleSide > 0) products.push_back({sampleSide, sampleSide});
    return products;
  };
  return decodeImageFileResampled(path, ImageDecodeRequest{decodeSide, decodeSide, budget}, sizes,
                                  out, reason);
}

// The failure's own sentence, then the decoder's reason (a bound it refused,
// the damage it found), which says why.
std::wstring decodeFailure(const std::wstring& sentence, const std::wstring& reason) {
  return reason.empty() ? sentence : sentence + L" " + reason;
}

bool lexicallyAbsolute(const std::wstring& path) {
  return texturePathIsAbsolute(path) || pathFromWide(path).is_absolute();
}

void buildPreviewEntry(TexturePreview& entry, const TextureMap& map, const std::wstring& key,
                       const FileStatus& status) {
  destroyTexturePreviewBitmap(entry);
  entry = TexturePreview{};
  entry.mapPath = map.path;
  entry.resolvedPath = key;
  entry.fileExists = status.exists;
  entry.diskProbed = true;
  entry.fileSize = status.size;
  entry.lastWriteTime = status.writeTime;
  if (!status.exists) {
    entry.message = L"Texture file not found.";
    return;
  }
  // One decode, reduced for the larger product, feeds both. The decoder
  // refuses oversized images from their header, and images beyond what the
  // cache's budget has left, before decoding any pixel.
  ImagePixelBudget& budget = appState().textureDecodeBudget;
  budget.exceeded = false;
  ResampledImages image;
  std::wstring reason;
  if (!decodePreviewProducts(key, kThumbnailSide, kSampleSide, &budget, image, &reason)) {
    entry.message = budget.exceeded ? kDecodeBudgetSpent : decodeFailure(kThumbnailDecodeFailed, reason);
    return;
  }
  if (image.sourceWidth < 1 || image.sourceHeight < 1) {
    entry.message = kThumbnailSizeInvalid;
    return;
  }
  entry.imageWidth = image.sourceWidth;
  entry.imageHeight = image.sourceHeight;
  entry.thumbnailOk =
      thumbnailFromImage(image.products[0], kThumbnailSide, entry.thumbnail, entry.message);
  if (!entry.thumbnailOk) {
    if (entry.message.empty()) entry.message = L"Texture file exists, but preview decoding failed.";
    return;
  }
  std::wstring error;
  if (samplesFromImage(image.products[1], kSampleSide, entry.samples, error)) {
    entry.sampleWidth = entry.sampleHeight = kSampleSide;
  } else if (!error.empty()) {
    entry.message = error;
  }
}

TexturePreview* stagedPreview(const TextureMap& map) {
  const std::wstring key = L"phase65.4-staged:" + sanitizeTexturePath(map.path) + L":" + map.channel;
  auto& cache = appState().texturePreviews;
  auto found = cache.find(key);
  if (found != cache.end()) return &found->second;
  TexturePreview entry;
  entry.mapPath = map.path;
  entry.resolvedPath = key;
  entry.fileExists = true;
  entry.message = map.unsupportedFormat
                      ? L"Texture format is unsupported for preview; fallback material color is used."
                      : L"Texture decode deferred by Phase 65.4 staging.";
  return &cache.emplace(key, std::move(entry)).first->second;
}

TexturePreview* probedFilePreview(const TextureMap& map) {
  std::wstring key = resolveTextureMapPath(map);
  if (key.empty()) key = sanitizeTexturePath(map.path);
  const FileStatus status = fileStatus(key);
  auto& cache = appState().texturePreviews;
  auto found = cache.find(key);
  if (found != cache.end()) {
    const TexturePreview& entry = found->second;
    const bool unchanged = entry.fileExists == status.exists &&
                           (!status.exists || (entry.fileSize == status.size &&
                                               entry.lastWriteTime == status.writeTime));
    if (unchanged) return &found->second;
  } else {
    found = cache.emplace(key, TexturePreview{}).first;
  }
  // Rebuilt in place, so pointers handed out earlier keep naming this entry.
  buildPreviewEntry(found->second, map, key, status);
  return &found->second;
}

}  // namespace

// ---- Map lookups and status texts -------------------------------------------
std::wstring textureChannelDisplayName(const std::wstring& key) {
  if (key.empty()) return L"Texture";
  static const std::pair<const wchar_t*, const wchar_t*> kNames[] = {
      {L"color", L"Color"},       {L"normal", L"Normal"}, {L"roughness", L"Roughness"},
      {L"metallic", L"Metallic"}, {L"alpha", L"Alpha"},   {L"emission", L"Emission"}};
  for (const auto& [channel, name] : kNames)
    if (key == channel) return name;
  return key;
}

bool textureMapIsSet(const TextureMap& map) { return map.enabled && !map.path.empty(); }

const TextureMap* findTextureMap(const Material& material, std::wstring_view key) {
  for (const TextureMap& map : material.textureMaps.maps)
    if (map.channel == key) return &map;
  return nullptr;
}

TextureMap* findTextureMap(Material& material, std::wstring_view key) {
  return const_cast<TextureMap*>(findTextureMap(static_cast<const Material&>(material), key));
}

const TextureMap* findPreviewTextureMap(const Material& material) {
  static const wchar_t* const kPreviewOrder[] = {L"color", L"normal",   L"roughness",
                                                 L"alpha", L"metallic", L"emission"};
  for (const wchar_t* channel : kPreviewOrder)
    for (const TextureMap& map : material.textureMaps.maps)
      if (map.channel == channel && textureMapIsSet(map)) return &map;
  return nullptr;
}

TextureMap* findPreviewTextureMap(Material& material) {
  return const_cast<TextureMap*>(findPreviewTextureMap(static_cast<const Material&>(material)));
}

std::wstring resolveTextureMapPath(const TextureMap& map) {
  const std::wstring joined = resolveTexturePathAbsolute(map);
  if (joined.empty()) return joined;
  std::filesystem::path path = pathFromWide(joined);
  if (!lexicallyAbsolute(joined)) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (!error) path = std::move(full);
  }
  return wideFromPath(path.lexically_normal());
}

bool texturePathResolvable(const TextureMap& map) {
  if (!textureMapIsSet(map)) return false;
  if (textureSourceIsNonFile(map)) return true;
  return pathEntryExists(resolveTexturePathAbsolute(map));
}

std::wstring textureStagingNote(const TextureMap& map) {
  if (!textureMapIsSet(map)) return L"-";
  if (map.unsupportedFormat || map.sourceKind == L"unsupported-format")
    return L"unsupported format; fallback material";
  if (map.embedded || map.sourceKind == L"embedded-bufferView") return L"embedded metadata; decode deferred";
  if (map.dataUri || map.sourceKind == L"data-uri") return L"data URI metadata; decode deferred";
  if (map.deferredDecode || map.lazyPreview) return L"lazy preview";
  return L"";
}

std::wstring textureStatusLabel(const TextureMap& map) {
  if (!textureMapIsSet(map)) return L"-";
  // Every loaded file map carries the lazy-preview note, so a missing file
  // must be told before the note or it would never read "MISSING".
  if (map.missing && !textureSourceIsNonFile(map)) return L"MISSING";
  std::wstring note = textureStagingNote(map);
  if (!note.empty()) return note;
  return map.relative ? L"OK rel" : L"OK abs";
}

std::wstring formatTextureMapStatus(const Material& material, const std::wstring& key,
                                    const std::wstring& label) {
  const TextureMap* map = findTextureMap(material, key);
  if (!map || !textureMapIsSet(*map)) return label + L": none";
  const TexturePreview* preview = getTexturePreview(*map);
  std::wstring out = label + L": ";
  if (textureSourceIsNonFile(*map)) out += textureStatusLabel(*map);
  else if (textureLoadFailed(*map, preview)) out += L"load failed";
  else if (preview && preview->fileExists && preview->thumbnailOk) out += L"found";
  else out += L"missing";
  if (preview && preview->imageWidth >= 1 && preview->imageHeight >= 1)
    out += L" (" + std::to_wstring(preview->imageWidth) + L"x" + std::to_wstring(preview->imageHeight) + L")";
  return out;
}

std::wstring textureMapLoadFailure(const Material& material, const std::wstring& key) {
  const TextureMap* map = findTextureMap(material, key);
  if (!map || !textureMapIsSet(*map) || textureSourceIsNonFile(*map) || map->missing) return {};
  const TexturePreview* preview = getTexturePreview(*map);
  return textureLoadFailed(*map, preview) ? preview->message : std::wstring();
}

bool textureLoadFailed(const TextureMap& map, const TexturePreview* preview) {
  return textureMapIsSet(map) && !textureSourceIsNonFile(map) && !map.missing && preview && preview->fileExists &&
         !preview->thumbnailOk;
}

bool textureImageUndecodable(const TextureMap& map) {
  if (!textureMapIsSet(map) || textureSourceIsNonFile(map)) return false;
  const TexturePreview* preview = getTexturePreview(map);
  // The entry's message is the one record of a decode the budget never let start.
  return textureLoadFailed(map, preview) && preview->message != kDecodeBudgetSpent;
}

std::wstring formatTextureSourceLabel(const Material& material) {
  const TextureMap* map = findPreviewTextureMap(material);
  if (!map) return L"-";
  std::wstring text = resolveTextureMapPath(*map);
  if (text.empty()) text = sanitizeTexturePath(map->path);
  if (text.size() > 140) text = L"..." + text.substr(text.size() - 137);
  return text;
}

// ---- The preview cache ------------------------------------------------------
TexturePreview* getTexturePreview(const TextureMap& map) {
  if (!textureMapIsSet(map)) return nullptr;
  // Per face on every paint: a plain file map (no flags, no source kind) is
  // told apart without the source-kind text comparisons.
  const bool plainFile = map.sourceKind.empty() && !map.embedded && !map.dataUri &&
                         !map.deferredDecode && !map.unsupportedFormat;
  if (!plainFile && textureSourceIsNonFile(map)) return stagedPreview(map);
  AppState& state = appState();
  if (!state.textureFrameActive) return probedFilePreview(map);
  // Inside a paint: resolve and probe each path once, then hand out the same entry.
  std::vector<TextureFrameProbe>& probes = state.textureFrameProbes[map.path];
  for (const TextureFrameProbe& probe : probes)
    if (probe.relative == map.relative && probe.projectPath == state.projectPath) return probe.preview;
  TexturePreview* preview = probedFilePreview(map);
  probes.push_back(TextureFrameProbe{map.relative, state.projectPath, preview});
  return preview;
}

void beginTextureFrame() {
  AppState& state = appState();
  state.textureFrameProbes.clear();
  state.textureFrameActive = true;
}

void endTextureFrame() {
  AppState& state = appState();
  state.textureFrameProbes.clear();
  state.textureFrameActive = false;
}

bool buildTextureThumbnail(const std::wstring& path, int side, HBITMAP& out, int& width,
                           int& height, std::wstring& error) {
  out = nullptr;
  if (side < 1 || side > kThumbnailSideLimit) {
    error = kThumbnailNotCreated;
    return false;
  }
  ResampledImages image;
  std::wstring reason;
  if (!decodePreviewProducts(path, side, 0, nullptr, image, &reason)) {
    error = decodeFailure(kThumbnailDecodeFailed, reason);
    return false;
  }
  width = image.sourceWidth;
  height = image.sourceHeight;
  if (width < 1 || height < 1) {
    error = kThumbnailSizeInvalid;
    return false;
  }
  return thumbnailFromImage(image.products[0], side, out, error);
}

bool buildTextureSampler(const std::wstring& path, int requestedSide,
                         std::vector<std::uint32_t>& samples, int& width, int& height,
                         std::wstring& error) {
  samples.clear();
  const int side = std::clamp(requestedSide, 8, 256);
  ResampledImages image;
  std::wstring reason;
  if (!decodePreviewProducts(path, 0, side, nullptr, image, &reason)) {
    error = decodeFailure(kSamplerDecodeFailed, reason);
    return false;
  }
  if (image.sourceWidth < 1 || image.sourceHeight < 1) {
    error = kSamplerSizeInvalid;
    return false;
  }
  if (!samplesFromImage(image.products[0], side, samples, error)) return false;
  width = height = side;
  return true;
}

void destroyTexturePreviewBitmap(TexturePreview& preview) {
  if (preview.thumbnail) DeleteObject(preview.thumbnail);
  preview.thumbnail = nullptr;
}

void clearTexturePreviewCache() {
  AppState& state = appState();
  for (auto& [key, entry] : state.texturePreviews) destroyTexturePreviewBitmap(entry);
  state.texturePreviews.clear();
  state.textureFrameProbes.clear();
  state.textureDecodeBudget = ImagePixelBudget{kTexturePreviewPixelLimit, false};
}

// ---- Storing chosen paths --------------------------------------------------

namespace {

bool isDriveLetterPath(const std::wstring& path) {
  return path.size() >= 2 && path[1] == L':' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

}  // namespace

std::wstring storableTexturePath(const std::wstring& chosen, bool& relative) {
  relative = false;
  const std::wstring cleaned = sanitizeTexturePath(chosen);
  const std::wstring& projectPath = appState().projectPath;
  if (projectPath.empty() || cleaned.empty()) return cleaned;
  if (cleaned.find(L'\0') != std::wstring::npos || projectPath.find(L'\0') != std::wstring::npos) return cleaned;
  // A drive-letter path belongs to another file system: kept as it is.
  if (isDriveLetterPath(cleaned)) return cleaned;
  const std::wstring folderText = parentDirectory(projectPath);
  if (folderText.empty() || isDriveLetterPath(folderText)) return cleaned;

  std::error_code error;
  std::filesystem::path folder = std::filesystem::absolute(pathFromWide(folderText), error);
  if (error) return cleaned;
  folder = std::filesystem::weakly_canonical(folder, error);
  if (error) return cleaned;
  std::filesystem::path image = std::filesystem::absolute(pathFromWide(cleaned), error);
  if (error) return cleaned;
  image = std::filesystem::weakly_canonical(image, error);
  if (error) return cleaned;

  const std::filesystem::path inside = image.lexically_relative(folder);
  if (inside.empty()) return cleaned;
  // Outside means some element climbs out; "..tex" is an ordinary name.
  for (const std::filesystem::path& element : inside) {
    if (element == "..") return cleaned;
  }
  const std::wstring stored = sanitizeTexturePath(wideFromPath(inside.generic_string()));
  if (stored.empty() || stored == L".") return cleaned;
  relative = true;
  return stored;
}

void assignTextureMapPath(Material& material, const std::wstring& key, const std::wstring& path) {
  if (path.empty()) return;
  ensureMaterialTextureMaps(material);
  TextureMap* map = findTextureMap(material, key);
  if (!map) return;
  bool storedRelative = false;
  map->path = storableTexturePath(path, storedRelative);
  map->relative = storedRelative || !texturePathIsAbsolute(map->path);
  map->enabled = !map->path.empty();
  map->colorSpace = defaultColorSpaceForSlot(key);
  map->missing = map->enabled && !texturePathResolvable(*map);
}

}  // namespace vk
