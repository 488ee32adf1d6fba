// GDI bitmaps made from decoded images.
#include "platform/gdi.h"
#include "platform/image.h"

namespace vk {

HBITMAP createBitmapFromImage(const ImageArgb& image, std::optional<COLORREF> background) {
  if (image.width < 1 || image.height < 1 ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
    return nullptr;
  }
  void* bits = nullptr;
  HBITMAP bitmap = createTopDownDib32(nullptr, image.width, image.height, &bits);
  if (!bitmap || !bits) return nullptr;
  auto* out = static_cast<std::uint32_t*>(bits);
  const std::size_t count = image.pixels.size();
  if (!background) {
    for (std::size_t i = 0; i < count; ++i) out[i] = image.pixels[i] & 0x00FFFFFFu;
    return bitmap;
  }
  // COLORREF holds red in its low byte; the DIB word holds it in bits 16-23.
  const std::uint32_t back[3] = {(*background >> 16) & 0xFF, (*background >> 8) & 0xFF,
                                 *background & 0xFF};
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = image.pixels[i];
    const std::uint32_t a = p >> 24;
    std::uint32_t result = 0;
    for (int channel = 0; channel < 3; ++channel) {
      const std::uint32_t c = (p >> (8 * channel)) & 0xFF;
      result |= ((c * a + back[channel] * (255 - a) + 127) / 255) << (8 * channel);
    }
    out[i] = result;
  }
  return bitmap;
}

}  // namespace vk
