// The text calls on device contexts: fonts as GDI objects, DrawTextW,
// TextOutW, ExtTextOutW and the measuring calls.

#include <algorithm>
#include <climits>
#include <cwchar>

#include "platform/text.h"
#include "platform/text_internal.h"

namespace vk::platform {
namespace {

constexpr int kOpaque = 2;
constexpr std::size_t kDrawTextLengthLimit = 1u << 24;

// Drawing with no usable font selected falls back to the default UI font.
FontData& defaultFontData() {
  static FontData data = [] {
    FontData d;
    d.height = -12;
    d.faceName = L"Segoe UI";
    return d;
  }();
  return data;
}

FontInstance& selectedFont(DeviceContext& dc) {
  GdiObject* object = gdiObjectFromHandle(dc.state.font);
  if (object && object->kind == GdiKind::Font) return fontInstanceFor(object->font);
  return fontInstanceFor(defaultFontData());
}

// Text length in code points: negative means NUL-terminated. Lengths that
// cannot be real are refused.
bool textLength(LPCWSTR text, long long length, std::size_t& out) {
  if (!text) return false;
  out = length < 0 ? std::wcslen(text) : static_cast<std::size_t>(length);
  return out <= kDrawTextLengthLimit;
}

long long clampToLong(long long v) {
  return std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2);
}

RECT offsetRect(const RECT& r, POINT by) {
  return RECT{static_cast<LONG>(clampToLong(0LL + r.left + by.x)), static_cast<LONG>(clampToLong(0LL + r.top + by.y)),
              static_cast<LONG>(clampToLong(0LL + r.right + by.x)),
              static_cast<LONG>(clampToLong(0LL + r.bottom + by.y))};
}

AdvanceOf advancesOf(FontInstance& font) {
  return [&font](wchar_t c) { return cachedGlyph(font, c).advance; };
}

// Draws one laid-out line whose cell's top-left is (x, y) in surface
// coordinates; lines wholly outside the clip are skipped before any
// coordinate could overflow.
void drawLineAt(const TextTarget& target, FontInstance& font, const LayoutLine& line, long long x, long long y,
                int lineHeight, const DcState& state) {
  const RECT& clip = target.clip;
  if (x > clip.right || x + line.width < clip.left || y > clip.bottom || y + lineHeight < clip.top) return;
  int left = static_cast<int>(x), top = static_cast<int>(y);
  if (state.bkMode == kOpaque) fillClipped(target, RECT{left, top, left + line.width, top + lineHeight}, state.bkColor);
  drawTextLine(target, font, line, left, top, state.textColor);
}

LayoutLine singleLine(FontInstance& font, std::wstring_view text) {
  LayoutParams params;
  params.boxWidth = INT_MAX;
  params.lineHeight = font.metrics.height;
  params.format = DT_SINGLELINE | DT_NOPREFIX;
  TextLayout layout = layoutText(text, params, advancesOf(font));
  return std::move(layout.lines[0]);
}

// TextOutW and ExtTextOutW: one unbroken line anchored by the DC's text
// alignment. `box` (logical) is filled when `opaqueBox`, clips when `clipBox`.
BOOL drawAnchoredText(HDC hdc, int x, int y, LPCWSTR text, long long length, const RECT* box, bool opaqueBox,
                      bool clipBox) {
  DeviceContext* dc = dcFromHandle(hdc);
  std::size_t n = 0;
  if (!dc || length < 0 || (length > 0 && !textLength(text, length, n))) return FALSE;
  FontInstance& font = selectedFont(*dc);
  LayoutLine line = singleLine(font, std::wstring_view(text ? text : L"", n));
  UINT align = dc->state.textAlign;
  if (align & TA_UPDATECP) {
    x = dc->state.currentPosition.x;
    y = dc->state.currentPosition.y;
  }
  long long left = x, top = y;
  if ((align & TA_CENTER) == TA_CENTER)
    left -= line.width / 2;
  else if (align & TA_RIGHT)
    left -= line.width;
  if ((align & TA_BASELINE) == TA_BASELINE)
    top -= font.metrics.ascent;
  else if (align & TA_BOTTOM)
    top -= font.metrics.height;
  if (align & TA_UPDATECP) {
    // The current position moves past the text in the reading direction.
    if ((align & TA_CENTER) != TA_CENTER)
      dc->state.currentPosition.x = static_cast<LONG>(clampToLong(align & TA_RIGHT ? left : left + line.width));
  }

  DcTarget resolved;
  if (!resolveDcTarget(*dc, resolved)) return TRUE;
  TextTarget target{resolved.surface, resolved.clip};
  if (box) {
    RECT surfaceBox = offsetRect(*box, resolved.origin);
    if (opaqueBox) fillClipped(target, surfaceBox, dc->state.bkColor);
    if (clipBox) target.clip = intersect(target.clip, surfaceBox);
  }
  drawLineAt(target, font, line, left + resolved.origin.x, top + resolved.origin.y, font.metrics.height, dc->state);
  return TRUE;
}

}  // namespace
}  // namespace vk::platform

using namespace vk::platform;

HFONT CreateFontW(int height, int /*width*/, int /*escapement*/, int /*orientation*/, int weight, DWORD italic,
                  DWORD underline, DWORD /*strikeOut*/, DWORD /*charSet*/, DWORD /*outPrecision*/,
                  DWORD /*clipPrecision*/, DWORD /*quality*/, DWORD /*pitchAndFamily*/, LPCWSTR faceName) {
  auto object = std::make_unique<GdiObject>();
  object->kind = GdiKind::Font;
  object->font.height = height;
  object->font.weight = std::clamp(weight, 0, 1000);
  object->font.italic = italic != 0;
  object->font.underline = underline != 0;
  if (faceName) {
    // Face names are at most LF_FACESIZE - 1 characters, as in LOGFONTW.
    std::size_t n = 0;
    while (n < LF_FACESIZE - 1 && faceName[n]) ++n;
    object->font.faceName.assign(faceName, n);
  }
  return reinterpret_cast<HFONT>(gdiObjects().add(std::move(object)));
}

namespace {
std::vector<std::wstring>* cutTextLog = nullptr;

// Whether some line that shows at all runs past the clip on a side: wider
// than its box, or only partly inside it from above or below.
bool lineCutByClip(const TextLayout& layout, const RECT& clip, long long boxLeft, long long boxTop, int lineHeight) {
  for (const LayoutLine& line : layout.lines) {
    const long long left = boxLeft + line.left, top = boxTop + line.top;
    if (top >= clip.bottom || top + lineHeight <= clip.top || line.width == 0) continue;
    if (left < clip.left || left + line.width > clip.right || top < clip.top || top + lineHeight > clip.bottom)
      return true;
  }
  return false;
}
}  // namespace

void vkSetCutTextLog(std::vector<std::wstring>* log) { cutTextLog = log; }

int DrawTextW(HDC hdc, LPCWSTR text, int length, RECT* rect, UINT format) {
  DeviceContext* dc = dcFromHandle(hdc);
  std::size_t n = 0;
  if (!dc || !rect || !textLength(text, length, n)) return 0;
  if (n == 0) {
    if (format & DT_CALCRECT) {
      rect->right = rect->left;
      rect->bottom = rect->top;
    }
    return 0;
  }
  FontInstance& font = selectedFont(*dc);
  const FontMetrics& m = font.metrics;
  LayoutParams params;
  params.boxWidth = static_cast<int>(std::clamp<long long>(0LL + rect->right - rect->left, INT_MIN / 2, INT_MAX / 2));
  params.boxHeight = static_cast<int>(std::clamp<long long>(0LL + rect->bottom - rect->top, INT_MIN / 2, INT_MAX / 2));
  params.lineHeight = m.height + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0);
  int tabChars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
  params.tabWidth = std::max(1, tabChars) * std::max(1, m.aveCharWidth);
  params.format = format;
  TextLayout layout = layoutText(std::wstring_view(text, n), params, advancesOf(font));

  if (format & DT_CALCRECT) {
    rect->right = static_cast<LONG>(clampToLong(0LL + rect->left + layout.width));
    rect->bottom = static_cast<LONG>(clampToLong(0LL + rect->top + layout.height));
    return layout.height;
  }
  const int placedBottom = layout.lines.empty() ? 0 : layout.lines.back().top + params.lineHeight;
  const int result = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? placedBottom : layout.height;

  DcTarget resolved;
  if (!resolveDcTarget(*dc, resolved)) return result;
  TextTarget target{resolved.surface, resolved.clip};
  if (!(format & DT_NOCLIP)) target.clip = intersect(target.clip, offsetRect(*rect, resolved.origin));
  if (target.clip.left >= target.clip.right || target.clip.top >= target.clip.bottom) return result;
  const long long boxLeft = 0LL + rect->left + resolved.origin.x;
  const long long boxTop = 0LL + rect->top + resolved.origin.y;
  if (cutTextLog && (layout.ellipsised || lineCutByClip(layout, target.clip, boxLeft, boxTop, params.lineHeight)))
    cutTextLog->emplace_back(text, n);
  for (const LayoutLine& line : layout.lines)
    drawLineAt(target, font, line, boxLeft + line.left, boxTop + line.top, params.lineHeight, dc->state);
  return result;
}

UINT SetTextAlign(HDC hdc, UINT align) {
  DeviceContext* dc = dcFromHandle(hdc);
  if (!dc) return GDI_ERROR;
  UINT previous = dc->state.textAlign;
  dc->state.textAlign = align;
  return previous;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int length) {
  return drawAnchoredText(hdc, x, y, text, length, nullptr, false, false);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT length,
                 const INT* /*dx*/) {
  return drawAnchoredText(hdc, x, y, text, length, rect, (options & ETO_OPAQUE) != 0, (options & ETO_CLIPPED) != 0);
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int length, SIZE* size) {
  DeviceContext* dc = dcFromHandle(hdc);
  std::size_t n = 0;
  if (!dc || !size || length < 0 || (length > 0 && !textLength(text, length, n))) return FALSE;
  FontInstance& font = selectedFont(*dc);
  long long width = 0;
  for (std::size_t i = 0; i < n; ++i) width += cachedGlyph(font, text[i]).advance;
  size->cx = static_cast<LONG>(std::min<long long>(width, INT_MAX));
  size->cy = font.metrics.height;
  return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm) {
  DeviceContext* dc = dcFromHandle(hdc);
  if (!dc || !tm) return FALSE;
  FontInstance& font = selectedFont(*dc);
  const FontMetrics& m = font.metrics;
  *tm = TEXTMETRICW{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = m.weight;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = font.italic ? 1 : 0;
  tm->tmUnderlined = font.underline ? 1 : 0;
  tm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  tm->tmCharSet = DEFAULT_CHARSET;
  return TRUE;
}
