// GDI objects: the handle table, stock objects, pens, brushes, bitmaps and
// DIB sections.
#include <array>
#include <cstring>
#include <new>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace vk::platform {
namespace {

constexpr int kStockCount = 20;
constexpr int kDibSideLimit = 4096;
constexpr int kBitmapSideLimit = 16384;
constexpr long long kBitmapPixelLimit = 64LL * 1024 * 1024;

struct StockHandles {
  std::array<std::uintptr_t, kStockCount> byIndex{};
  std::uintptr_t bitmap = 0;
};

StockHandles& stockHandles() {
  static StockHandles handles;
  return handles;
}

std::uintptr_t addStock(HandleTable<GdiObject>& table, GdiObject object) {
  object.stock = true;
  return table.add(std::make_unique<GdiObject>(std::move(object)));
}

GdiObject makePen(int style, int width, COLORREF color) {
  GdiObject object;
  object.kind = GdiKind::Pen;
  object.pen = PenData{style, width, color};
  return object;
}

GdiObject makeBrush(bool hollow, COLORREF color) {
  GdiObject object;
  object.kind = GdiKind::Brush;
  object.brush = BrushData{hollow, color};
  return object;
}

GdiObject makeStockFont() {
  GdiObject object;
  object.kind = GdiKind::Font;
  object.font.height = -12;
  object.font.weight = 400;
  object.font.faceName = L"Segoe UI";
  return object;
}

HandleTable<GdiObject> makeObjectTable() {
  HandleTable<GdiObject> table(kTagGdiObject);
  StockHandles& stock = stockHandles();
  stock.byIndex[WHITE_BRUSH] = addStock(table, makeBrush(false, RGB(255, 255, 255)));
  stock.byIndex[LTGRAY_BRUSH] = addStock(table, makeBrush(false, RGB(192, 192, 192)));
  stock.byIndex[GRAY_BRUSH] = addStock(table, makeBrush(false, RGB(128, 128, 128)));
  stock.byIndex[DKGRAY_BRUSH] = addStock(table, makeBrush(false, RGB(64, 64, 64)));
  stock.byIndex[BLACK_BRUSH] = addStock(table, makeBrush(false, RGB(0, 0, 0)));
  stock.byIndex[NULL_BRUSH] = addStock(table, makeBrush(true, 0));
  stock.byIndex[WHITE_PEN] = addStock(table, makePen(PS_SOLID, 0, RGB(255, 255, 255)));
  stock.byIndex[BLACK_PEN] = addStock(table, makePen(PS_SOLID, 0, RGB(0, 0, 0)));
  stock.byIndex[NULL_PEN] = addStock(table, makePen(PS_NULL, 0, 0));
  stock.byIndex[SYSTEM_FONT] = addStock(table, makeStockFont());
  stock.byIndex[DEFAULT_GUI_FONT] = addStock(table, makeStockFont());
  // No SetDCBrushColor/SetDCPenColor: the DC objects keep their defaults.
  stock.byIndex[DC_BRUSH] = addStock(table, makeBrush(false, RGB(255, 255, 255)));
  stock.byIndex[DC_PEN] = addStock(table, makePen(PS_SOLID, 0, RGB(0, 0, 0)));
  GdiObject bitmap;
  bitmap.kind = GdiKind::Bitmap;
  bitmap.bitmap.pixels.assign(1, 0);
  stock.bitmap = addStock(table, std::move(bitmap));
  return table;
}

HGDIOBJ toHandle(std::uintptr_t value) { return reinterpret_cast<HGDIOBJ>(value); }

// Allocates a zeroed top-down bitmap; null when the memory is not there.
HGDIOBJ addBitmap(int width, int height, bool dibSection) {
  auto object = std::unique_ptr<GdiObject>(new (std::nothrow) GdiObject);
  if (!object) return nullptr;
  object->kind = GdiKind::Bitmap;
  object->bitmap.width = width;
  object->bitmap.height = height;
  object->bitmap.dibSection = dibSection;
  try {
    object->bitmap.pixels.assign(std::size_t(width) * std::size_t(height), 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return toHandle(gdiObjects().add(std::move(object)));
}

}  // namespace

HandleTable<GdiObject>& gdiObjects() {
  static HandleTable<GdiObject> table = makeObjectTable();
  return table;
}

GdiObject* gdiObjectFromHandle(HGDIOBJ handle) { return gdiObjects().get(handle); }

HGDIOBJ stockBitmap() {
  gdiObjects();
  return toHandle(stockHandles().bitmap);
}

}  // namespace vk::platform

using namespace vk::platform;

HGDIOBJ GetStockObject(int index) {
  gdiObjects();
  if (index < 0 || index >= kStockCount) return nullptr;
  return toHandle(stockHandles().byIndex[std::size_t(index)]);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  if (width < 0) width = 0;
  // Styled pens are cosmetic only; dashes other than dots draw as dots.
  if (style != PS_SOLID && style != PS_NULL && style != PS_INSIDEFRAME) {
    if (width > 1) style = PS_SOLID;
    else style = PS_DOT;
  }
  if (style == PS_INSIDEFRAME) style = PS_SOLID;
  return reinterpret_cast<HPEN>(
      gdiObjects().add(std::make_unique<GdiObject>(makePen(style, width, color & 0xFFFFFF))));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return reinterpret_cast<HBRUSH>(
      gdiObjects().add(std::make_unique<GdiObject>(makeBrush(false, color & 0xFFFFFF))));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (dc && !dcFromHandle(dc)) return nullptr;
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  if (width > kBitmapSideLimit || height > kBitmapSideLimit ||
      (long long)width * height > kBitmapPixelLimit)
    return nullptr;
  return static_cast<HBITMAP>(addBitmap(width, height, false));
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
  if (bits) *bits = nullptr;
  if (dc && !dcFromHandle(dc)) return nullptr;
  if (!info || usage != DIB_RGB_COLORS || section || offset) return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  // Bottom-up DIBs (positive height) are refused: every surface is top-down.
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 32 ||
      header.biCompression != BI_RGB || header.biWidth < 1 || header.biHeight >= 0 ||
      header.biWidth > kDibSideLimit || header.biHeight < -kDibSideLimit)
    return nullptr;
  HGDIOBJ handle = addBitmap(header.biWidth, -header.biHeight, true);
  if (!handle) return nullptr;
  if (bits) *bits = gdiObjectFromHandle(handle)->bitmap.pixels.data();
  return static_cast<HBITMAP>(handle);
}

HBITMAP vk::createTopDownDib32(HDC dc, int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

BOOL DeleteObject(HGDIOBJ handle) {
  GdiObject* object = gdiObjectFromHandle(handle);
  if (!object) return FALSE;
  if (object->stock) return TRUE;
  if (object->selectedInDcs > 0) return FALSE;
  gdiObjects().remove(handle);
  return TRUE;
}

int GetObjectW(HANDLE handle, int size, LPVOID out) {
  GdiObject* object = gdiObjectFromHandle(handle);
  if (!object) return 0;
  auto copyOut = [&](const auto& value) -> int {
    int needed = int(sizeof(value));
    if (!out) return needed;
    if (size < needed) return 0;
    std::memcpy(out, &value, sizeof(value));
    return needed;
  };
  switch (object->kind) {
    case GdiKind::Bitmap: {
      BITMAP bitmap;
      bitmap.bmWidth = object->bitmap.width;
      bitmap.bmHeight = object->bitmap.height;
      bitmap.bmWidthBytes = object->bitmap.width * 4;
      bitmap.bmPlanes = 1;
      bitmap.bmBitsPixel = 32;
      bitmap.bmBits = object->bitmap.dibSection ? object->bitmap.pixels.data() : nullptr;
      return copyOut(bitmap);
    }
    case GdiKind::Pen: {
      LOGPEN pen;
      pen.lopnStyle = UINT(object->pen.style);
      pen.lopnWidth.x = object->pen.width;
      pen.lopnColor = object->pen.color;
      return copyOut(pen);
    }
    case GdiKind::Brush: {
      LOGBRUSH brush;
      brush.lbStyle = object->brush.hollow ? BS_NULL : BS_SOLID;
      brush.lbColor = object->brush.color;
      return copyOut(brush);
    }
    case GdiKind::Font:
      return 0;  // the text code describes its fonts
  }
  return 0;
}

DWORD GetObjectType(HGDIOBJ handle) {
  if (GdiObject* object = gdiObjectFromHandle(handle)) {
    switch (object->kind) {
      case GdiKind::Pen: return OBJ_PEN;
      case GdiKind::Brush: return OBJ_BRUSH;
      case GdiKind::Font: return OBJ_FONT;
      case GdiKind::Bitmap: return OBJ_BITMAP;
    }
  }
  if (DeviceContext* dc = dcFromHandle(static_cast<HDC>(handle)))
    return dc->kind == DeviceContext::Kind::Memory ? OBJ_MEMDC : OBJ_DC;
  return 0;
}
