// Buffered paint: back buffers lent to one paint each and, while buffered
// painting is initialised, kept for the next paint instead of being
// allocated and cleared again.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace vk::platform {
namespace {

struct Buffer {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
};

// A buffer out on loan to one paint.
struct Loan {
  Buffer buffer;
  HDC target = nullptr;
  HDC dc = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  RECT rect{};
};

struct PaintBuffers {
  int users = 0;  // BufferedPaintInit calls not yet undone
  std::vector<Buffer> idle;
  HandleTable<Loan> loans{kTagPaintBuffer};
};

PaintBuffers& paintBuffers() {
  static PaintBuffers buffers;
  return buffers;
}

// The smallest idle buffer that holds width x height; otherwise the
// largest idle one grows to hold it, so buffers do not pile up.
Buffer takeBuffer(PaintBuffers& all, int width, int height) {
  auto fits = [&](const Buffer& b) { return b.width >= width && b.height >= height; };
  auto area = [](const Buffer& b) { return static_cast<long long>(b.width) * b.height; };
  auto best = all.idle.end();
  for (auto it = all.idle.begin(); it != all.idle.end(); ++it)
    if (fits(*it) && (best == all.idle.end() || area(*it) < area(*best))) best = it;
  if (best != all.idle.end()) {
    Buffer taken = *best;
    all.idle.erase(best);
    return taken;
  }
  Buffer grown{nullptr, width, height};
  auto largest = std::max_element(all.idle.begin(), all.idle.end(),
                                  [&](const Buffer& a, const Buffer& b) { return area(a) < area(b); });
  if (largest != all.idle.end()) {
    grown.width = std::max(width, largest->width);
    grown.height = std::max(height, largest->height);
    DeleteObject(largest->bitmap);
    all.idle.erase(largest);
  }
  grown.bitmap = CreateCompatibleBitmap(nullptr, grown.width, grown.height);
  return grown;
}

void giveBack(PaintBuffers& all, const Buffer& buffer) {
  if (all.users > 0) all.idle.push_back(buffer);
  else DeleteObject(buffer.bitmap);
}

}  // namespace
}  // namespace vk::platform

using namespace vk::platform;

HRESULT BufferedPaintInit() {
  ++paintBuffers().users;
  return S_OK;
}

HRESULT BufferedPaintUnInit() {
  PaintBuffers& all = paintBuffers();
  if (all.users == 0) return E_FAIL;
  if (--all.users == 0) {
    for (const Buffer& buffer : all.idle) DeleteObject(buffer.bitmap);
    all.idle.clear();
  }
  return S_OK;
}

HPAINTBUFFER BeginBufferedPaint(HDC target, const RECT* targetRect, BP_BUFFERFORMAT format,
                                BP_PAINTPARAMS* params, HDC* paintDc) {
  if (paintDc) *paintDc = nullptr;
  const DWORD flags = params ? params->dwFlags : 0;
  if (!dcFromHandle(target) || !targetRect || !paintDc || format != BPBF_COMPATIBLEBITMAP ||
      (flags & ~DWORD{BPPF_ERASE}))
    return nullptr;
  const RECT r = *targetRect;
  const long long width = 0LL + r.right - r.left, height = 0LL + r.bottom - r.top;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  PaintBuffers& all = paintBuffers();
  auto loan = std::make_unique<Loan>();
  loan->buffer = takeBuffer(all, int(width), int(height));
  if (!loan->buffer.bitmap) return nullptr;
  loan->dc = CreateCompatibleDC(target);
  if (!loan->dc) {
    giveBack(all, loan->buffer);
    return nullptr;
  }
  loan->target = target;
  loan->rect = r;
  loan->oldBitmap = SelectObject(loan->dc, loan->buffer.bitmap);
  dcFromHandle(loan->dc)->origin = POINT{-r.left, -r.top};
  IntersectClipRect(loan->dc, r.left, r.top, r.right, r.bottom);
  if (flags & BPPF_ERASE) PatBlt(loan->dc, r.left, r.top, int(width), int(height), BLACKNESS);
  *paintDc = loan->dc;
  return reinterpret_cast<HPAINTBUFFER>(all.loans.add(std::move(loan)));
}

HRESULT EndBufferedPaint(HPAINTBUFFER handle, BOOL updateTarget) {
  PaintBuffers& all = paintBuffers();
  std::unique_ptr<Loan> loan = all.loans.remove(handle);
  if (!loan) return E_FAIL;
  const RECT& r = loan->rect;
  // The target may have gone while the buffer was out.
  if (updateTarget && dcFromHandle(loan->target))
    BitBlt(loan->target, r.left, r.top, r.right - r.left, r.bottom - r.top, loan->dc, r.left, r.top, SRCCOPY);
  SelectObject(loan->dc, loan->oldBitmap);
  DeleteDC(loan->dc);
  giveBack(all, loan->buffer);
  return S_OK;
}
