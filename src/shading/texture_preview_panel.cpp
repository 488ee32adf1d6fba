// The texture preview panel: the child window beside the inspector that
// shows the selected object's active-slot texture and its diagnostics.
#include <algorithm>

#include "model/hierarchy.h"
#include "platform/palette.h"
#include "shading/materials.h"
#include "shading/textures.h"

namespace vk {

namespace {

// Draws the thumbnail bitmap stretched over `target`.
void blitThumbnail(HDC dc, HBITMAP thumbnail, const RECT& target) {
  BITMAP info{};
  if (!GetObjectW(thumbnail, sizeof info, &info) || info.bmWidth < 1 || info.bmHeight < 1) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, thumbnail);
  StretchBlt(dc, target.left, target.top, std::max<int>(target.right - target.left, 1),
             std::max<int>(target.bottom - target.top, 1), source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

void outlineRect(HDC dc, const RECT& rect, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void fillSolid(HDC dc, const RECT& rect, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void drawPanelText(HDC dc, HFONT font, COLORREF color, RECT rect, const std::wstring& text, UINT format) {
  HGDIOBJ oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(dc, color);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  SelectObject(dc, oldFont);
}

// "Source", "Status" and "Resolved" lines for a set map of the active slot.
std::wstring mapDiagnostics(const Material& material, const TextureMap& map, const TexturePreview* preview) {
  std::wstring status;
  if (textureSourceIsNonFile(map)) status = textureStatusLabel(map);
  else if (preview && preview->fileExists && preview->thumbnailOk) status = L"loaded lazily";
  else if (preview && preview->fileExists) status = L"load failed";
  else status = L"missing";
  if (preview && preview->imageWidth >= 1 && preview->imageHeight >= 1)
    status += L"  " + std::to_wstring(preview->imageWidth) + L"x" + std::to_wstring(preview->imageHeight);
  return L"Source: " + textureChannelDisplayName(map.channel) + L"\nStatus: " + status +
         L"\nResolved: " + formatTextureSourceLabel(material);
}

}  // namespace

void fillCheckerboard(HDC dc, const RECT& rect, COLORREF even, COLORREF odd) {
  HBRUSH brushes[2] = {CreateSolidBrush(even), CreateSolidBrush(odd)};
  for (int top = rect.top, row = 0; top < rect.bottom; top += 10, ++row)
    for (int left = rect.left, column = 0; left < rect.right; left += 10, ++column) {
      const RECT cell{left, top, std::min<int>(left + 10, rect.right), std::min<int>(top + 10, rect.bottom)};
      FillRect(dc, &cell, brushes[(row + column) % 2]);
    }
  DeleteObject(brushes[0]);
  DeleteObject(brushes[1]);
}

void drawTexturePreview(HDC dc, const RECT& client) {
  const AppState& state = appState();
  fillSolid(dc, client, kTexturePreviewFill);
  outlineRect(dc, client, kTexturePreviewBorder);
  drawPanelText(dc, state.ui.uiFont, kTexturePreviewTitle,
                RECT{client.left + 8, client.top + 6, client.right - 8, client.top + 24}, L"Texture Preview",
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);

  const RECT box{client.left + 10, client.top + 28, client.left + 98, client.top + 116};
  fillCheckerboard(dc, box, kTexturePreviewCheckerLight, kTexturePreviewCheckerDark);
  const Object* object = findObjectById(appState().selectedObjectId);
  std::wstring text = L"Assign a color/normal/roughness/alpha map to see file diagnostics and a thumbnail.";
  if (object) {
    const Material& material = materialForFace(*object, -1);
    fillSolid(dc, RECT{box.left + 6, box.top + 6, box.right - 6, box.bottom - 6},
              RGB(std::clamp(material.r, 0, 255), std::clamp(material.g, 0, 255), std::clamp(material.b, 0, 255)));
    const TextureMap* map = findPreviewTextureMap(material);
    const TexturePreview* preview = map ? getTexturePreview(*map) : nullptr;
    if (preview && preview->thumbnail)
      blitThumbnail(dc, preview->thumbnail, RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1});
    text = map ? mapDiagnostics(material, *map, preview)
               : L"No active texture map on the selected material slot.\nResolved: -";
  }
  outlineRect(dc, box, kTexturePreviewBoxBorder);
  drawPanelText(dc, state.ui.smallFont, kTexturePreviewDetail,
                RECT{box.right + 10, client.top + 28, client.right - 10, client.bottom - 8}, text,
                DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace vk
