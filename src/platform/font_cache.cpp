// Font resolution (fontconfig), FreeType faces, metrics and the glyph cache.

#include <fontconfig/fontconfig.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "platform/kernel.h"
#include "platform/text.h"
#include "platform/text_internal.h"

namespace vk::platform {
namespace {

// The platform layer's own font tables: the FreeType library, the override
// and the instances shared by equal font objects.
struct FontTables {
  FT_Library library = nullptr;
  bool fontconfigReady = false;
  std::string overridePath;
  unsigned overrideGeneration = 1;
  std::map<std::wstring, std::weak_ptr<FontInstance>> instances;
};

FontTables& fontTables() {
  static FontTables tables;
  return tables;
}

FT_Library library() {
  FontTables& t = fontTables();
  if (!t.library && FT_Init_FreeType(&t.library) != 0) t.library = nullptr;
  return t.library;
}

constexpr int kDefaultEmPixels = 12;
// Text full of distinct rare characters must not grow a cache without end.
constexpr std::size_t kGlyphCacheLimit = 8192;
constexpr wchar_t kReplacementChar = 0xFFFD;

struct FaceChoice {
  std::string path;
  int index = 0;
  int weight = 400;  // OpenType scale
  bool italic = false;
};

bool fontconfigReady() {
  FontTables& t = fontTables();
  if (!t.fontconfigReady) {
    t.fontconfigReady = FcInit() == FcTrue;
    // Releases fontconfig's configuration at exit so leak checkers stay quiet.
    if (t.fontconfigReady) std::atexit(FcFini);
  }
  return t.fontconfigReady;
}

// The Windows interface faces the studio asks for, and lays its controls out
// for. Where they are not installed, Carlito stands in (scripts/setup
// installs it): Lato's humanist design on narrower metrics, it cuts the
// fewest captions of the open faces measured (Lato, Liberation Sans, Open
// Sans, Noto Sans, Cantarell, Roboto, DejaVu Sans). Without it Lato, then
// Liberation Sans (Arial's metrics) or Arimo, then DejaVu Sans, a tenth
// wider than Carlito, which cuts about twice as many.
bool isWindowsUiFace(const std::string& name) {
  static const char* const kFaces[] = {"segoe ui", "segoe ui semibold", "tahoma", "ms shell dlg", "ms shell dlg 2",
                                       "microsoft sans serif", "arial"};
  std::string lowered = name;
  for (char& c : lowered) c = static_cast<char>(vk::asciiLower(static_cast<unsigned char>(c)));
  return std::any_of(std::begin(kFaces), std::end(kFaces), [&](const char* face) { return lowered == face; });
}

FcPattern* requestPattern(const std::wstring& family, int weight, bool italic) {
  FcPattern* pattern = FcPatternCreate();
  std::string name = vk::wideToUtf8(family);
  if (!name.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  if (isWindowsUiFace(name)) {
    for (const char* standIn : {"Carlito", "Lato", "Liberation Sans", "Arimo", "DejaVu Sans"})
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(standIn));
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  return pattern;
}

bool choiceFromPattern(FcPattern* match, FaceChoice& out) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || !file) return false;
  out.path = reinterpret_cast<const char*>(file);
  int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  out.index = index;
  out.weight = FcWeightToOpenType(weight);
  out.italic = slant != FC_SLANT_ROMAN;
  return true;
}

bool matchFace(const std::wstring& family, int weight, bool italic, FaceChoice& out) {
  if (!fontconfigReady()) return false;
  FcPattern* pattern = requestPattern(family, weight, italic);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool ok = match && choiceFromPattern(match, out);
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return ok;
}

// The closest face (in fontconfig's order for the request) that has `c`.
bool matchFallback(const std::wstring& family, int weight, bool italic, char32_t c, FaceChoice& out) {
  if (!fontconfigReady()) return false;
  FcPattern* pattern = requestPattern(family, weight, italic);
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  bool ok = false;
  for (int i = 0; sorted && i < sorted->nfont && !ok; ++i) {
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch) continue;
    if (!FcCharSetHasChar(charset, c)) continue;
    ok = choiceFromPattern(sorted->fonts[i], out);
  }
  if (sorted) FcFontSetDestroy(sorted);
  FcPatternDestroy(pattern);
  return ok;
}

std::unique_ptr<FontFace> openFace(const std::string& path, int index, FT_F26Dot6 emSize) {
  FT_Library lib = library();
  if (!lib || path.empty()) return nullptr;
  auto face = std::make_unique<FontFace>();
  face->path = path;
  face->index = index;
  if (FT_New_Face(lib, path.c_str(), index, &face->face) != 0) {
    face->face = nullptr;
    return nullptr;
  }
  // Fixed-size (bitmap-only) faces cannot be scaled to the request.
  if (!FT_IS_SCALABLE(face->face) || FT_Set_Char_Size(face->face, 0, emSize, 72, 72) != 0) return nullptr;
  return face;
}

int roundScaled(long fontUnits, double scale) { return static_cast<int>(std::lround(fontUnits * scale)); }

// Em size from the request, in 26.6 pixels: negative heights are the em,
// positive ones the cell (win ascent + descent).
FT_F26Dot6 emSizeFor(FT_Face face, int height) {
  if (height == 0) return kDefaultEmPixels * 64;
  long requested = std::min(std::abs(static_cast<long>(height)), 4096L);
  if (height < 0) return requested * 64;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  long cellUnits = os2 ? long(os2->usWinAscent) + long(os2->usWinDescent) : long(face->ascender) - long(face->descender);
  if (cellUnits <= 0 || face->units_per_EM == 0) return requested * 64;
  return std::max(64L, requested * 64 * face->units_per_EM / cellUnits);
}

FontMetrics metricsFor(FT_Face face, FT_F26Dot6 emSize, int weight) {
  FontMetrics m;
  double scale = face->units_per_EM ? double(emSize) / 64.0 / face->units_per_EM : 0.0;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    m.ascent = roundScaled(os2->usWinAscent, scale);
    m.descent = roundScaled(os2->usWinDescent, scale);
  } else {
    m.ascent = roundScaled(face->ascender, scale);
    m.descent = roundScaled(-face->descender, scale);
  }
  m.height = std::max(1, m.ascent + m.descent);
  int em = static_cast<int>((emSize + 32) / 64);
  m.internalLeading = std::max(0, m.height - em);
  if (hhea) {
    long hheaExtra = long(hhea->Line_Gap) + hhea->Ascender - hhea->Descender;
    long winCell = os2 ? long(os2->usWinAscent) + os2->usWinDescent : hheaExtra;
    m.externalLeading = std::max(0, roundScaled(hheaExtra - winCell, scale));
  }
  m.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? roundScaled(os2->xAvgCharWidth, scale) : em / 2;
  m.maxCharWidth = roundScaled(face->max_advance_width, scale);
  m.weight = weight;
  m.underlineOffset = std::max(1, roundScaled(-face->underline_position, scale));
  m.underlineThickness = std::max(1, roundScaled(face->underline_thickness, scale));
  return m;
}

// Copies the rendered slot into a cached glyph; colour bitmaps are left empty.
void copyBitmap(FT_GlyphSlot slot, Glyph& glyph) {
  const FT_Bitmap& bm = slot->bitmap;
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return;
  glyph.width = static_cast<int>(bm.width);
  glyph.height = static_cast<int>(bm.rows);
  glyph.coverage.assign(std::size_t(glyph.width) * glyph.height, 0);
  for (int y = 0; y < glyph.height; ++y) {
    const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
    std::uint8_t* out = glyph.coverage.data() + std::size_t(y) * glyph.width;
    for (int x = 0; x < glyph.width; ++x) {
      if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
        out[x] = static_cast<std::uint8_t>(bm.num_grays == 256 ? row[x] : row[x] * 255 / std::max(1, bm.num_grays - 1));
      else
        out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    }
  }
}

bool renderGlyph(FontInstance& font, FT_Face face, FT_UInt index, Glyph& glyph) {
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (font.syntheticBold) FT_GlyphSlot_Embolden(slot);
  if (font.syntheticItalic) FT_GlyphSlot_Oblique(slot);
  glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return true;  // advance only
  copyBitmap(slot, glyph);
  return true;
}

FontFace* fallbackFaceFor(FontInstance& font, char32_t c) {
  for (auto& face : font.fallbacks)
    if (FT_Get_Char_Index(face->face, c) != 0) return face.get();
  if (!font.fallbackAllowed) return nullptr;
  FaceChoice choice;
  if (!matchFallback(font.family, font.metrics.weight, font.italic, c, choice)) return nullptr;
  for (auto& face : font.fallbacks)
    if (face->path == choice.path && face->index == choice.index) return nullptr;  // has not got it after all
  auto face = openFace(choice.path, choice.index, font.emSize);
  if (!face || FT_Get_Char_Index(face->face, c) == 0) return nullptr;
  font.fallbacks.push_back(std::move(face));
  return font.fallbacks.back().get();
}

Glyph makeGlyph(FontInstance& font, char32_t c) {
  Glyph glyph;
  if (c < 0x20 || c == 0x7F || !font.primary) return glyph;  // control characters are invisible
  FT_Face face = font.primary->face;
  FT_UInt index = FT_Get_Char_Index(face, c);
  if (index == 0) {
    if (FontFace* fallback = fallbackFaceFor(font, c)) {
      face = fallback->face;
      index = FT_Get_Char_Index(face, c);
    }
  }
  if (!renderGlyph(font, face, index, glyph)) glyph = Glyph{};
  return glyph;
}

std::wstring instanceKey(const FontData& font) {
  std::wstring key = vk::asciiLowered(font.faceName);
  key += L'|' + std::to_wstring(font.height) + L'|' + std::to_wstring(font.weight) + L'|' +
         (font.italic ? L'i' : L'r') + (font.underline ? L'u' : L'-');
  return key;
}

std::shared_ptr<FontInstance> createInstance(const FontData& data) {
  FontTables& tables = fontTables();
  auto font = std::make_shared<FontInstance>();
  font->overrideGeneration = tables.overrideGeneration;
  font->family = data.faceName;
  font->italic = data.italic;
  font->underline = data.underline;
  int weight = data.weight <= 0 ? FW_NORMAL : std::min(data.weight, 1000);
  FaceChoice choice;
  if (!tables.overridePath.empty()) {
    choice.path = tables.overridePath;
    font->fallbackAllowed = false;
  } else if (!matchFace(data.faceName, weight, data.italic, choice)) {
    choice = FaceChoice{};
  }
  // Weight 600 and up wants a semibold or bold face; a lighter match is
  // emboldened so bold labels still read as bold.
  font->syntheticBold = weight >= FW_SEMIBOLD && choice.weight < FW_SEMIBOLD - 50;
  font->syntheticItalic = data.italic && !choice.italic;

  FT_F26Dot6 em = kDefaultEmPixels * 64;
  if (FT_Library lib = library(); lib && !choice.path.empty()) {
    FT_Face probe = nullptr;
    if (FT_New_Face(lib, choice.path.c_str(), choice.index, &probe) == 0) {
      em = emSizeFor(probe, data.height);
      FT_Done_Face(probe);
    }
  }
  font->emSize = em;
  font->primary = openFace(choice.path, choice.index, em);
  if (font->primary) {
    font->metrics = metricsFor(font->primary->face, em, weight);
  } else {
    int px = static_cast<int>(em / 64);
    font->metrics.ascent = px;
    font->metrics.descent = std::max(1, px / 4);
    font->metrics.height = font->metrics.ascent + font->metrics.descent;
    font->metrics.aveCharWidth = std::max(1, px / 2);
    font->metrics.maxCharWidth = px;
    font->metrics.weight = weight;
  }
  return font;
}

}  // namespace

FontFace::~FontFace() {
  if (face) FT_Done_Face(face);
}

FontInstance& fontInstanceFor(FontData& data) {
  FontTables& tables = fontTables();
  if (data.instance && data.instance->overrideGeneration == tables.overrideGeneration) return *data.instance;
  std::wstring key = instanceKey(data);
  auto found = tables.instances.find(key);
  std::shared_ptr<FontInstance> shared = found != tables.instances.end() ? found->second.lock() : nullptr;
  if (!shared || shared->overrideGeneration != tables.overrideGeneration) {
    shared = createInstance(data);
    if (tables.instances.size() > 256)
      std::erase_if(tables.instances, [](const auto& entry) { return entry.second.expired(); });
    tables.instances[key] = shared;
  }
  data.instance = shared;
  return *shared;
}

const Glyph& glyphFor(FontInstance& font, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementChar;
  auto found = font.glyphs.find(c);
  if (found != font.glyphs.end()) return found->second;
  if (font.glyphs.size() >= kGlyphCacheLimit) {
    font.glyphs.clear();
    font.asciiGlyphs.fill(nullptr);
  }
  const Glyph& glyph = font.glyphs.emplace(c, makeGlyph(font, c)).first->second;
  if (c < 128) font.asciiGlyphs[c] = &glyph;
  return glyph;
}

}  // namespace vk::platform

void vkSetFontOverride(const char* fontFilePath) {
  auto& tables = vk::platform::fontTables();
  std::string path = fontFilePath ? fontFilePath : "";
  if (path == tables.overridePath) return;
  tables.overridePath = path;
  ++tables.overrideGeneration;
  tables.instances.clear();
}
