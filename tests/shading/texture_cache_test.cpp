#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "model/app_state.h"
#include "platform/image_test_support.h"
#include "model/hierarchy.h"
#include "shading/materials.h"
#include "shading/shading_support.h"
#include "shading/textures.h"

namespace {

using namespace vk;
using shadingtest::fileMap;
using shadingtest::fixturePath;
using shadingtest::materialWithMap;
using shadingtest::ScratchFolder;
using TextureDecoding = shadingtest::ShadingTest;
using TextureCache = shadingtest::ShadingTest;
using TexturePanel = shadingtest::ShadingTest;

// The 0x00BBGGRR value of a DIB pixel (memory order B, G, R, X).
COLORREF dibPixel(HBITMAP bitmap, int x, int y) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  const auto* row = static_cast<const std::uint8_t*>(info.bmBits) + static_cast<std::ptrdiff_t>(y) * info.bmWidthBytes;
  const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void expectNear(COLORREF actual, int r, int g, int b, int tolerance) {
  EXPECT_NEAR(GetRValue(actual), r, tolerance);
  EXPECT_NEAR(GetGValue(actual), g, tolerance);
  EXPECT_NEAR(GetBValue(actual), b, tolerance);
}

void bumpWriteTime(const std::wstring& path) {
  const auto p = pathFromWide(path);
  std::filesystem::last_write_time(p, std::filesystem::last_write_time(p) + std::chrono::seconds(5));
}

TEST_F(TextureDecoding, SolidPngAndJpegGiveUniformSampleGrids) {
  struct Case {
    const char* file;
    COLORREF color;
  };
  // The JPEG was encoded from RGB(80, 144, 200); its decoder gives (79, 144, 200).
  for (const Case& c : {Case{"solid_teal.png", RGB(30, 140, 150)}, Case{"solid_blue.jpg", RGB(79, 144, 200)}}) {
    SCOPED_TRACE(c.file);
    std::vector<std::uint32_t> samples;
    int width = 0, height = 0;
    std::wstring error = L"stale";
    ASSERT_TRUE(buildTextureSampler(fixturePath(c.file), 64, samples, width, height, error));
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 64);
    EXPECT_TRUE(error.empty());
    ASSERT_EQ(samples.size(), 64u * 64u);
    EXPECT_EQ(std::set<std::uint32_t>(samples.begin(), samples.end()), std::set<std::uint32_t>{c.color});
  }
  // The grid side is kept within 8..256.
  std::vector<std::uint32_t> samples;
  int width = 0, height = 0;
  std::wstring error;
  ASSERT_TRUE(buildTextureSampler(fixturePath("solid_teal.png"), 2, samples, width, height, error));
  EXPECT_EQ(samples.size(), 64u);
  ASSERT_TRUE(buildTextureSampler(fixturePath("solid_teal.png"), 5000, samples, width, height, error));
  EXPECT_EQ(width, 256);
}

TEST_F(TextureDecoding, TranslucentTexelsCompositeOverTheViewportBackground) {
  std::vector<std::uint32_t> samples;
  int width = 0, height = 0;
  std::wstring error;
  ASSERT_TRUE(buildTextureSampler(fixturePath("half_red_translucent.png"), 64, samples, width, height, error));
  for (std::uint32_t sample : {samples.front(), samples[32 * 64 + 17], samples.back()})
    expectNear(sample, 136, 10, 14, 1);
}

TEST_F(TextureDecoding, ThumbnailFitsTheImageInsideACheckeredSquare) {
  HBITMAP thumbnail = nullptr;
  int width = 0, height = 0;
  std::wstring error;
  ASSERT_TRUE(buildTextureThumbnail(fixturePath("wide_red.png"), 88, thumbnail, width, height, error));
  EXPECT_EQ(width, 300);
  EXPECT_EQ(height, 150);
  BITMAP info{};
  ASSERT_TRUE(GetObjectW(thumbnail, sizeof info, &info));
  EXPECT_EQ(info.bmWidth, 88);
  EXPECT_EQ(std::abs(info.bmHeight), 88);
  // 300 x 150 is drawn 76 x 38 at (6, 25): x 6..81, y 25..62.
  for (auto [x, y] : {std::pair{6, 25}, {81, 25}, {6, 62}, {81, 62}, {44, 44}})
    EXPECT_EQ(dibPixel(thumbnail, x, y), RGB(220, 30, 40)) << x << "," << y;
  for (auto [x, y] : {std::pair{5, 30}, {82, 30}, {44, 24}, {44, 63}})
    EXPECT_NE(dibPixel(thumbnail, x, y), RGB(220, 30, 40)) << x << "," << y;
  EXPECT_EQ(dibPixel(thumbnail, 44, 5), RGB(0x3A, 0x40, 0x4E));   // cell (4, 0): even
  EXPECT_EQ(dibPixel(thumbnail, 54, 5), RGB(0x26, 0x2C, 0x38));   // cell (5, 0): odd
  EXPECT_EQ(dibPixel(thumbnail, 0, 40), RGB(0x60, 0x68, 0x78));   // border
  EXPECT_EQ(dibPixel(thumbnail, 87, 87), RGB(0x60, 0x68, 0x78));
  DeleteObject(thumbnail);
  // A single pixel grows to 76 x 76 at (6, 6).
  ASSERT_TRUE(buildTextureThumbnail(fixturePath("dot_white.png"), 88, thumbnail, width, height, error));
  for (auto [x, y] : {std::pair{6, 6}, {81, 81}, {6, 81}})
    EXPECT_EQ(dibPixel(thumbnail, x, y), RGB(255, 255, 255)) << x << "," << y;
  for (auto [x, y] : {std::pair{5, 6}, {82, 81}, {6, 82}})
    EXPECT_NE(dibPixel(thumbnail, x, y), RGB(255, 255, 255)) << x << "," << y;
  DeleteObject(thumbnail);
}

// Each failure keeps its own sentence and adds the decoder's reason after it.
TEST_F(TextureDecoding, UndecodableAndOversizedImagesReportTheirFailureTexts) {
  HBITMAP thumbnail = nullptr;
  int width = 0, height = 0;
  std::vector<std::uint32_t> samples;
  std::wstring error;
  // The header claims 60000 x 60000 pixels: refused before any allocation.
  const std::wstring tooLarge =
      L"The image is 60000 x 60000 pixels, more than the 16384 pixels a side or 64 megapixels allowed.";
  EXPECT_FALSE(buildTextureThumbnail(fixturePath("oversized_header.png"), 88, thumbnail, width, height, error));
  EXPECT_EQ(error, L"GDI+ could not decode this image file. " + tooLarge);
  EXPECT_EQ(thumbnail, nullptr);
  EXPECT_FALSE(buildTextureSampler(fixturePath("oversized_header.png"), 64, samples, width, height, error));
  EXPECT_EQ(error, L"GDI+ could not decode this texture for sampling. " + tooLarge);
  EXPECT_TRUE(samples.empty());

  const TexturePreview* preview = getTexturePreview(fileMap(fixturePath("oversized_header.png")));
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->fileExists);
  EXPECT_FALSE(preview->thumbnailOk);
  EXPECT_TRUE(preview->samples.empty());
  EXPECT_EQ(preview->message, L"GDI+ could not decode this image file. " + tooLarge);
  // A folder where the file should be is "there" but does not decode.
  const TexturePreview* folder = getTexturePreview(fileMap(utf8ToWide(VK_TEST_DATA_DIR)));
  EXPECT_TRUE(folder->fileExists);
  EXPECT_TRUE(folder->message.starts_with(L"GDI+ could not decode this image file. ")) << wideToUtf8(folder->message);
  EXPECT_NE(folder->message.find(L"not a regular file"), std::wstring::npos) << wideToUtf8(folder->message);
}

// A few bytes of lossless WebP header declaring 8000 x 8000 pixels: within
// the pixel limits, refused by the bound on what one decode may hold, and
// the inspector's line for the map says so.
TEST_F(TextureDecoding, AWebPPastTheDecodeBoundSaysWhyInTheMapsFailure) {
  ScratchFolder folder;
  std::string webp = "RIFF";
  const auto le32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) webp += char((v >> (8 * i)) & 0xFF); };
  le32(4 + 8 + 6);
  webp += "WEBPVP8L";
  le32(5);
  // Signature, then 14 bits of width - 1, 14 of height - 1, alpha and version 0.
  const std::uint32_t bits = 7999u | (7999u << 14);
  webp += char(0x2F);
  le32(bits);
  webp += '\0';  // the chunk's pad byte
  const std::wstring path = wideFromPath(folder.path / "huge.webp");
  ASSERT_TRUE(writeFileAtomically(path, webp));
  const std::wstring why =
      L"GDI+ could not decode this image file. The WebP image is 8000 x 8000 pixels, more than its decoding may "
      L"hold in 128 MiB.";
  const TexturePreview* preview = getTexturePreview(fileMap(path));
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->fileExists);
  EXPECT_FALSE(preview->thumbnailOk);
  EXPECT_EQ(preview->message, why);
  const Material material = materialWithMap(fileMap(path));
  EXPECT_EQ(formatTextureMapStatus(material, L"color", L"Color map"), L"Color map: load failed");
  EXPECT_EQ(textureMapLoadFailure(material, L"color"), why);
  // Only a failed load has a reason to show.
  EXPECT_EQ(textureMapLoadFailure(materialWithMap(fileMap(fixturePath("solid_teal.png"))), L"color"), L"");
  EXPECT_EQ(textureMapLoadFailure(material, L"normal"), L"");
}

// A JPEG cut inside its image data and closed with an end marker used to
// decode with grey rows; it is an unreadable image like any other.
TEST_F(TextureDecoding, AJpegCutShortAndClosedIsNotDecoded) {
  ScratchFolder folder;
  const std::wstring path = folder.copyOf("solid_blue.jpg", "cut.jpg");
  std::string bytes;
  ASSERT_TRUE(readFileBytes(path, bytes, 1u << 20, nullptr));
  const std::size_t sos = bytes.rfind("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  const std::size_t data = sos + 2 + ((std::uint8_t(bytes[sos + 2]) << 8) | std::uint8_t(bytes[sos + 3]));
  bytes = bytes.substr(0, data + (bytes.size() - 2 - data) / 3) + "\xFF\xD9";
  ASSERT_TRUE(writeFileAtomically(path, bytes));
  const TexturePreview* preview = getTexturePreview(fileMap(path));
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->fileExists);
  EXPECT_FALSE(preview->thumbnailOk);
  EXPECT_TRUE(preview->samples.empty());
  EXPECT_TRUE(preview->message.starts_with(L"GDI+ could not decode this image file. The JPEG image is damaged"))
      << wideToUtf8(preview->message);
}

// Thirty maps naming different 64-megapixel files: the first six use up the
// budget of one open, the others are skipped with a message; the next open
// (which clears the cache) starts with a full budget again. (A JPEG decodes
// every coefficient of its source, whatever the scale it is reduced to.)
TEST_F(TextureCache, AllPreviewsOfOneOpenShareOnePixelBudget) {
  ScratchFolder scratch;
  const std::string& huge = vktest::solidJpeg(8000, 0x2A5AC8u);
  std::vector<TextureMap> maps;
  for (int i = 0; i < 30; ++i) {
    const std::wstring path = vk::wideFromPath(scratch.path / ("huge" + std::to_string(i) + ".jpg"));
    ASSERT_TRUE(writeFileAtomically(path, huge));
    maps.push_back(fileMap(path));
  }
  for (int open = 0; open < 2; ++open) {
    clearTexturePreviewCache();
    int decoded = 0;
    for (const TextureMap& map : maps) {
      const TexturePreview* preview = getTexturePreview(map);
      ASSERT_NE(preview, nullptr);
      if (preview->thumbnailOk) {
        ++decoded;
        EXPECT_EQ(preview->imageWidth, 8000);
        const std::set<std::uint32_t> colours(preview->samples.begin(), preview->samples.end());
        ASSERT_EQ(colours.size(), 1u);
        expectNear(*colours.begin(), 0x2A, 0x5A, 0xC8, 2);
      } else {
        EXPECT_EQ(preview->message,
                  L"Texture preview skipped: the textures of this project exceed the preview "
                  L"decoding budget.");
        EXPECT_TRUE(preview->samples.empty());
      }
    }
    EXPECT_EQ(decoded, 6);
    EXPECT_EQ(appState().textureDecodeBudget.remaining, kTexturePreviewPixelLimit - 6 * 64'000'000u);
  }
  // With nothing left even a small image waits for the next clear.
  EXPECT_FALSE(getTexturePreview(fileMap(fixturePath("wide_red.png")))->thumbnailOk);
  clearTexturePreviewCache();
  EXPECT_TRUE(getTexturePreview(fileMap(fixturePath("wide_red.png")))->thumbnailOk);
}

// A 1 x 1 PNG whose compressed data goes on for 8 GiB of zeros previews like
// any 1 x 1 image.
TEST_F(TextureCache, APngInflateBombPreviewsItsOnePixel) {
  ScratchFolder scratch;
  const std::wstring path = vk::wideFromPath(scratch.path / "bomb.png");
  ASSERT_TRUE(writeFileAtomically(path, vktest::pngInflateBomb(8192)));
  const TexturePreview* preview = getTexturePreview(fileMap(path));
  ASSERT_TRUE(preview->thumbnailOk);
  EXPECT_EQ(preview->imageWidth, 1);
  EXPECT_EQ(preview->samples.front(), RGB(10, 20, 30));
}

TEST_F(TextureCache, EntryIsReusedRebuiltOnTouchAndReportsADeletedFile) {
  ScratchFolder scratch;
  const std::wstring path = scratch.copyOf("solid_teal.png", "wood.png");
  const TextureMap map = fileMap(path);
  EXPECT_EQ(getTexturePreview(TextureMap{}), nullptr);  // not set

  TexturePreview* first = getTexturePreview(map);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->fileExists && first->diskProbed && first->thumbnailOk);
  EXPECT_EQ(first->imageWidth, 16);
  EXPECT_EQ(first->sampleWidth, 64);
  EXPECT_EQ(first->resolvedPath, path);
  EXPECT_TRUE(first->message.empty());
  const HBITMAP thumbnail = first->thumbnail;
  first->message = L"marker";  // survives only while the entry is reused
  EXPECT_EQ(getTexturePreview(map), first);
  EXPECT_EQ(first->message, L"marker");
  EXPECT_EQ(appState().texturePreviews.size(), 1u);

  bumpWriteTime(path);
  TexturePreview* rebuilt = getTexturePreview(map);
  EXPECT_EQ(rebuilt, first);  // rebuilt in place: the pointer stays usable
  EXPECT_TRUE(rebuilt->message.empty());
  EXPECT_EQ(GetObjectType(thumbnail), 0u);  // the old thumbnail was freed
  EXPECT_NE(rebuilt->thumbnail, nullptr);

  std::filesystem::remove(pathFromWide(path));
  const TexturePreview* gone = getTexturePreview(map);
  EXPECT_FALSE(gone->fileExists);
  EXPECT_FALSE(gone->thumbnailOk);
  EXPECT_EQ(gone->thumbnail, nullptr);
  EXPECT_TRUE(gone->samples.empty());
  EXPECT_EQ(gone->message, L"Texture file not found.");
}

TEST_F(TextureCache, AFrameProbesEachPathOnceAndTheNextFrameSeesChanges) {
  ScratchFolder scratch;
  const std::wstring path = scratch.copyOf("solid_teal.png", "a.png");
  const TextureMap map = fileMap(path);
  beginTextureFrame();
  TexturePreview* inFrame = getTexturePreview(map);
  inFrame->message = L"marker";
  bumpWriteTime(path);
  // Same frame: no second probe, so the change is not seen yet.
  EXPECT_EQ(getTexturePreview(map), inFrame);
  EXPECT_EQ(inFrame->message, L"marker");
  endTextureFrame();
  EXPECT_TRUE(getTexturePreview(map)->message.empty());  // outside a frame: probed again

  // A relative map follows the project path, also within one frame.
  TextureMap relative = map;
  relative.path = L"a.png";
  relative.relative = true;
  appState().projectPath = vk::wideFromPath(scratch.path / "scene.json");
  beginTextureFrame();
  const TexturePreview* here = getTexturePreview(relative);
  EXPECT_TRUE(here->fileExists);
  EXPECT_EQ(here->resolvedPath, path);
  appState().projectPath = vk::wideFromPath(scratch.path / "elsewhere" / "scene.json");
  const TexturePreview* there = getTexturePreview(relative);
  EXPECT_FALSE(there->fileExists);
  EXPECT_EQ(there->message, L"Texture file not found.");
  // The frame's answers equal the unmemoised ones.
  endTextureFrame();
  EXPECT_EQ(getTexturePreview(relative), there);
  appState().projectPath = vk::wideFromPath(scratch.path / "scene.json");
  EXPECT_EQ(getTexturePreview(relative), here);
  // Clearing the cache inside a frame drops the frame's answers too.
  beginTextureFrame();
  getTexturePreview(relative);
  clearTexturePreviewCache();
  EXPECT_TRUE(appState().textureFrameProbes.empty());
  EXPECT_TRUE(getTexturePreview(relative)->thumbnailOk);
}

TEST_F(TextureCache, StagedMapsNeverTouchTheDiskAndClearingFreesEveryThumbnail) {
  TextureMap embedded = fileMap(L"C:\\in\\glb.png");
  embedded.embedded = true;
  const TexturePreview* staged = getTexturePreview(embedded);
  EXPECT_EQ(staged->resolvedPath, L"phase65.4-staged:C:/in/glb.png:color");
  EXPECT_TRUE(staged->fileExists);
  EXPECT_FALSE(staged->diskProbed);
  EXPECT_EQ(staged->message, L"Texture decode deferred by Phase 65.4 staging.");
  TextureMap unsupported = embedded;
  unsupported.embedded = false;
  unsupported.unsupportedFormat = true;
  unsupported.channel = L"normal";
  EXPECT_EQ(getTexturePreview(unsupported)->message,
            L"Texture format is unsupported for preview; fallback material color is used.");

  std::vector<HBITMAP> thumbnails;
  for (const char* name : {"solid_teal.png", "wide_red.png", "half_white_black.png"})
    thumbnails.push_back(getTexturePreview(fileMap(fixturePath(name)))->thumbnail);
  EXPECT_EQ(appState().texturePreviews.size(), 5u);
  clearTexturePreviewCache();
  EXPECT_TRUE(appState().texturePreviews.empty());
  for (HBITMAP thumbnail : thumbnails) EXPECT_EQ(GetObjectType(thumbnail), 0u);
}

TEST_F(TextureCache, StatusTextsForTheInspector) {
  Material material = materialWithMap(fileMap(fixturePath("wide_red.png")));
  EXPECT_EQ(formatTextureMapStatus(material, L"color", L"Color map"), L"Color map: found (300x150)");
  EXPECT_EQ(formatTextureMapStatus(material, L"alpha", L"Alpha map"), L"Alpha map: none");
  material.textureMaps.maps[0].path = L"/nowhere/x.png";
  EXPECT_EQ(formatTextureMapStatus(material, L"color", L"Color map"), L"Color map: missing");
  material.textureMaps.maps[0] = fileMap(fixturePath("oversized_header.png"));
  EXPECT_EQ(formatTextureMapStatus(material, L"color", L"Color map"), L"Color map: load failed");
  material.textureMaps.maps[0].dataUri = true;
  EXPECT_EQ(formatTextureMapStatus(material, L"color", L"Color map"),
            L"Color map: data URI metadata; decode deferred");

  TextureMap map = fileMap(L"/p/tex/wood.png");
  EXPECT_EQ(textureStatusLabel(map), L"OK abs");
  map.relative = true;
  EXPECT_EQ(textureStatusLabel(map), L"OK rel");
  map.missing = true;
  EXPECT_EQ(textureStatusLabel(map), L"MISSING");
  map.lazyPreview = true;  // the note every loaded file map carries never hides a missing file
  EXPECT_EQ(textureStatusLabel(map), L"MISSING");
  map.missing = false;
  EXPECT_EQ(textureStatusLabel(map), L"lazy preview");
  map.enabled = false;
  EXPECT_EQ(textureStatusLabel(map), L"-");

  const std::wstring longPath = L"/" + std::wstring(199, L'a');
  const Material longOne = materialWithMap(fileMap(longPath, L"roughness"));
  EXPECT_EQ(formatTextureSourceLabel(longOne), L"..." + longPath.substr(200 - 137));
  EXPECT_EQ(formatTextureSourceLabel(Material{}), L"-");
  // Preview order puts alpha before metallic.
  Material both = materialWithMap(fileMap(L"/m.png", L"metallic"));
  both.textureMaps.maps.push_back(fileMap(L"/a.png", L"alpha"));
  EXPECT_EQ(findPreviewTextureMap(both)->channel, L"alpha");
  EXPECT_EQ(formatTextureSourceLabel(both), L"/a.png");
  EXPECT_EQ(textureChannelDisplayName(L"emission"), L"Emission");
  EXPECT_EQ(textureChannelDisplayName(L"sheen"), L"sheen");
  EXPECT_EQ(textureChannelDisplayName(L""), L"Texture");
}

// --- the panel, drawn into a headless memory DC ----------------------------

struct PanelCanvas {
  static constexpr int kWidth = 320, kHeight = 140;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  PanelCanvas() {
    vkSetFontOverride(VK_TEST_FONT);
    drawTexturePreview(dc, RECT{0, 0, kWidth, kHeight});
  }
  ~PanelCanvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    vkSetFontOverride(nullptr);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
  // Pixels in the rectangle that differ from the panel background.
  int inked(int left, int top, int right, int bottom) const {
    int count = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) count += at(x, y) != RGB(22, 27, 36);
    return count;
  }
};

Object& addSelectedObject(const Material& slot) {
  Object object;
  object.id = L"obj-1";
  object.materialSlots.slots = {slot};
  appState().project.scene.objects.push_back(object);
  appState().selectedObjectId = L"obj-1";
  return appState().project.scene.objects.back();
}

TEST_F(TexturePanel, WithoutSelectionOnlyTheCheckerboardAndTheHint) {
  PanelCanvas panel;
  EXPECT_EQ(panel.at(0, 0), RGB(64, 74, 90));     // outline
  EXPECT_EQ(panel.at(319, 139), RGB(64, 74, 90));
  EXPECT_EQ(panel.at(3, 130), RGB(22, 27, 36));   // background
  EXPECT_EQ(panel.at(10, 28), RGB(96, 104, 120));  // box outline
  EXPECT_EQ(panel.at(97, 115), RGB(96, 104, 120));
  EXPECT_EQ(panel.at(15, 33), RGB(58, 64, 78));    // cell (0, 0)
  EXPECT_EQ(panel.at(25, 33), RGB(38, 44, 56));    // cell (1, 0)
  EXPECT_EQ(panel.at(25, 43), RGB(58, 64, 78));    // cell (1, 1)
  EXPECT_EQ(panel.at(54, 72), RGB(58, 64, 78));    // no material fill: cell (4, 4)
  EXPECT_GT(panel.inked(8, 6, 200, 24), 20);       // title
  EXPECT_GT(panel.inked(108, 28, 310, 132), 50);   // hint text
}

TEST_F(TexturePanel, SelectedSlotShowsMaterialColourThumbnailAndDiagnostics) {
  {
    addSelectedObject(shadingtest::materialWithMap(TextureMap{}, 10, 200, 30));
    PanelCanvas panel;
    EXPECT_EQ(panel.at(54, 72), RGB(10, 200, 30));  // material colour inside the 6-pixel inset
    EXPECT_EQ(panel.at(16, 34), RGB(10, 200, 30));
    EXPECT_EQ(panel.at(15, 33), RGB(58, 64, 78));
    // "No active texture map..." and "Resolved: -": two lines of text at least.
    EXPECT_GT(panel.inked(108, 28, 310, 60), 50);
  }
  appState() = AppState{};
  addSelectedObject(materialWithMap(fileMap(fixturePath("wide_red.png")), 10, 200, 30));
  PanelCanvas panel;
  // The 88-pixel thumbnail is stretched into the box inset by one pixel:
  // its centre is the image, its rim the thumbnail's own border.
  EXPECT_EQ(panel.at(54, 72), RGB(220, 30, 40));
  EXPECT_EQ(panel.at(11, 29), RGB(0x60, 0x68, 0x78));
  EXPECT_EQ(panel.at(54, 40), RGB(0x26, 0x2C, 0x38));  // thumbnail cell (4, 1) above the image
  // Three text lines: source, status with the size, resolved path.
  const int lineHeight = 14;
  for (int line = 0; line < 3; ++line)
    EXPECT_GT(panel.inked(108, 28 + line * lineHeight, 310, 28 + (line + 1) * lineHeight), 30) << line;
  const TexturePreview* preview = getTexturePreview(fileMap(fixturePath("wide_red.png")));
  EXPECT_EQ(appState().texturePreviews.size(), 1u);  // the panel's decode is the cached one
  EXPECT_TRUE(preview->thumbnailOk);
}

}  // namespace
