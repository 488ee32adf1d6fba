// Texture maps as the viewport, inspector and preview panel see them: map
// status texts, path resolution for the preview cache, decoding of texture
// images into an 88-pixel thumbnail and a 64 x 64 sample grid, the cache in
// AppState::texturePreviews and the texture preview panel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/app_state.h"
#include "model/file_choice.h"
#include "model/texture_paths.h"
#include "model/types.h"
#include "platform/win32.h"

namespace vk {

// --- maps, channels and status texts --------------------------------------

// "Color", "Normal", ... for the six channels; any other key unchanged; "" -> "Texture".
std::wstring textureChannelDisplayName(const std::wstring& key);

// Enabled with a non-empty path.
bool textureMapIsSet(const TextureMap& map);

// The first map of that channel (exact comparison), or null.
TextureMap* findTextureMap(Material& material, std::wstring_view key);
const TextureMap* findTextureMap(const Material& material, std::wstring_view key);

// The first set map in the order color, normal, roughness, alpha, metallic,
// emission, or null.
TextureMap* findPreviewTextureMap(Material& material);
const TextureMap* findPreviewTextureMap(const Material& material);

// resolveTexturePathAbsolute made absolute and lexically normal; "" stays "".
// The key of the preview cache.
std::wstring resolveTextureMapPath(const TextureMap& map);

// Set and (non-file, or something exists at the resolved path).
bool texturePathResolvable(const TextureMap& map);

// "-" when not set; the staging reason of a non-file or lazy map; else "".
std::wstring textureStagingNote(const TextureMap& map);
// "-"; "MISSING" for a missing file map; the staging note; "OK rel" or "OK abs".
std::wstring textureStatusLabel(const TextureMap& map);

// "<label>: none | found | missing | load failed | <status label>" and
// " (<w>x<h>)" when the image size is known. Decodes through the cache.
std::wstring formatTextureMapStatus(const Material& material, const std::wstring& key,
                                    const std::wstring& label);
// Why that map's status is "load failed" (its preview entry's message, with
// the decoder's reason); "" for any other status.
std::wstring textureMapLoadFailure(const Material& material, const std::wstring& key);
// The status "load failed": a set file map whose file is there but whose
// preview (as getTexturePreview gave it) could not be made.
bool textureLoadFailed(const TextureMap& map, const TexturePreview* preview);
// A set file map whose image the studio could not decode: its status is
// "load failed", and not because the previews' decoding budget ran out.
bool textureImageUndecodable(const TextureMap& map);
// The preview map's resolved path (or its stored path); over 140 characters
// "..." and the last 137; "-" without a set map.
std::wstring formatTextureSourceLabel(const Material& material);

// How a chosen image path is stored on a map: relative to the project file's
// folder (`relative` set) when the project has a path and the image lies
// inside that folder; otherwise the cleaned path as given. Never throws: any
// file-system error, a NUL or a drive-letter path stores it as given.
std::wstring storableTexturePath(const std::wstring& chosen, bool& relative);

// Stores an imported reference on the channel's map (maps completed first):
// path as storableTexturePath gives it, enabled, the channel's colour space
// and the missing flag from a file test. An empty path changes nothing.
void assignTextureMapPath(Material& material, const std::wstring& key, const std::wstring& path);

// Re-tests the missing flag of every map of every slot and base material in
// the scene (maps completed first); a non-file source is never missing.
void updateTextureMapStatuses(Scene& scene);

// The Open dialog for texture images (no default extension).
FileChoice openTextureDialog();

// Commands on the active slot of the selected material target:
// set a channel's image from the texture dialog (one undo step), clear it
// (one undo step), and re-test every map's file (dirty, no undo step).
void setActiveMaterialTexture(const std::wstring& key);
void clearActiveTextureMap(const std::wstring& key);
void refreshTextureMapStatus();

// --- decoding and the preview cache ---------------------------------------

// The cached preview of a set map (null when the map is not set), decoded
// on first use and rebuilt when the file's existence, size or write time
// changes. The pointer stays valid until clearTexturePreviewCache.
//
// Outside a frame every call resolves the path and asks the file system.
// Between beginTextureFrame and endTextureFrame (the viewport's paint) each
// distinct map path, relative flag and project path is resolved and probed
// once; later calls in the frame return the same entry.
//
// Each image's thumbnail and sample grid are resampled from its rows as they
// are decoded, without holding the image, as from the whole image (a JPEG
// or WebP image above 8 megapixels is first reduced by its library), and
// the image is charged to the cache's pixel budget (AppState::textureDecodeBudget,
// refilled by clearTexturePreviewCache); an image beyond what is left gets
// no thumbnail, and a message saying why.
TexturePreview* getTexturePreview(const TextureMap& map);
void beginTextureFrame();
void endTextureFrame();

// side x side thumbnail: checkerboard, the image fitted with at least 6
// pixels of margin, 1-pixel border. False with the failure text in `error`.
bool buildTextureThumbnail(const std::wstring& path, int side, HBITMAP& out, int& width,
                           int& height, std::wstring& error);
// The image stretched to a side x side grid (side clamped to 8..256) over
// RGB(17, 22, 30), row-major COLORREF samples.
bool buildTextureSampler(const std::wstring& path, int requestedSide,
                         std::vector<std::uint32_t>& samples, int& width, int& height,
                         std::wstring& error);

// Frees every thumbnail once, empties the cache (and the frame memo) and
// refills its decoding budget.
void clearTexturePreviewCache();
// DeleteObject on the entry's thumbnail; the handle becomes null.
void destroyTexturePreviewBitmap(TexturePreview& preview);

// --- the texture preview panel ---------------------------------------------

// 10 x 10 cells from the rectangle's top-left, clipped at its right and bottom.
void fillCheckerboard(HDC dc, const RECT& rect, COLORREF even, COLORREF odd);
// The whole texture preview window for the selected object's active slot.
void drawTexturePreview(HDC dc, const RECT& client);

}  // namespace vk
