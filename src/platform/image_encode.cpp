// PNG and JPEG files from 32-bit pixels, written atomically.
#include "platform/gdi_internal.h"
#include "platform/image_internal.h"

namespace vk {

namespace {

bool encodeFile(ImageFormat format, const std::wstring& path, const std::uint32_t* pixels,
                int width, int height, int stride, int quality, std::wstring* reason) {
  // Bad arguments are refused before the disk is touched.
  std::wstring failure;
  if (!platform::encoderArgumentsValid(pixels, width, height, stride, failure) ||
      (format == ImageFormat::Jpeg && !platform::jpegQualityValid(quality, failure))) {
    if (reason) *reason = failure;
    return false;
  }
  if (format != ImageFormat::Png && format != ImageFormat::Jpeg) {
    if (reason) *reason = L"Only PNG and JPEG files can be written.";
    return false;
  }
  return writeFileAtomicallyStreamed(
      path,
      [&](const FileChunkSink& sink, std::wstring& why) {
        return format == ImageFormat::Png
                   ? platform::writePngStream(sink, pixels, width, height, stride, why)
                   : platform::writeJpegStream(sink, pixels, width, height, stride, quality, why);
      },
      reason);
}

}  // namespace

bool encodePngFile(const std::wstring& path, const std::uint32_t* pixels, int width, int height,
                   int stride, std::wstring* reason) {
  return encodeFile(ImageFormat::Png, path, pixels, width, height, stride, 0, reason);
}

bool encodeJpegFile(const std::wstring& path, const std::uint32_t* pixels, int width, int height,
                    int stride, int quality, std::wstring* reason) {
  return encodeFile(ImageFormat::Jpeg, path, pixels, width, height, stride, quality, reason);
}

bool encodeBitmapFile(HBITMAP bitmap, const std::wstring& path, ImageFormat format, int quality,
                      std::wstring* reason) {
  platform::GdiObject* object = platform::gdiObjectFromHandle(bitmap);
  if (!object || object->kind != platform::GdiKind::Bitmap) {
    if (reason) *reason = L"The bitmap to encode is not valid.";
    return false;
  }
  const platform::Surface surface = object->bitmap.surface();
  return encodeFile(format, path, surface.pixels, surface.width, surface.height, surface.stride,
                    quality, reason);
}

}  // namespace vk
