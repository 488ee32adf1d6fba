// PNG decoding and encoding through libpng. libpng reports errors by
// longjmp, so the protected regions touch only plain data held in a state
// struct that outlives them.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "platform/image_internal.h"

namespace vk::platform {

namespace {

struct PngState {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t position = 0;
  const FileChunkSink* sink = nullptr;
  char message[256] = {};
  std::vector<png_bytep> rows;
};

void pngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message ? message : "PNG error");
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (length > state->size - state->position) png_error(png, "The PNG data ends too early");
  std::memcpy(out, state->data + state->position, length);
  state->position += length;
}

void pngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (!(*state->sink)(data, length)) png_error(png, "The PNG data could not be written");
}

void pngFlush(png_structp) {}

// Runs under libpng's setjmp: only the caller's objects change here, so the
// longjmp skips no destructor.
DecodeStep readPng(png_structp png, png_infop info, PngState& state, ImageArgb& out,
                   std::wstring& reason) {
  if (setjmp(png_jmpbuf(png))) return DecodeStep::Failed;
  png_set_read_fn(png, &state, pngRead);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (!imageSizeAllowed(width, height, reason)) return DecodeStep::Refused;

  png_set_expand(png);  // palette and low-bit grey to 8 bits, tRNS to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t(width) * 4) {
    png_error(png, "Unsupported PNG pixel layout");
  }
  if (!allocateImage(out, int(width), int(height), reason)) return DecodeStep::Refused;
  state.rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) {
    state.rows[y] = reinterpret_cast<png_bytep>(out.pixels.data() + std::size_t(y) * width);
  }
  png_read_image(png, state.rows.data());
  png_read_end(png, nullptr);  // a missing IEND means a truncated file
  return DecodeStep::Done;
}

}  // namespace

bool decodePng(const std::uint8_t* data, std::size_t size, ImageArgb& out, std::wstring& reason) {
  PngState state;
  state.data = data;
  state.size = size;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    reason = L"The PNG decoder could not start.";
    return false;
  }
  const DecodeStep step = readPng(png, info, state, out, reason);
  png_destroy_read_struct(&png, &info, nullptr);
  return finishDecode(step, L"PNG", state.message, out, reason);
}

namespace {

bool writePngProtected(png_structp png, png_infop info, PngState& state, int width, int height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &state, pngWrite, pngFlush);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // SUB and UP only: on rendered frames the adaptive choice among all five
  // filters costs 40% more time and gives larger files (bench_image).
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
  png_write_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);  // the X byte is dropped
  png_write_image(png, state.rows.data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool writePngStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                    int stride, std::wstring& reason) {
  if (!encoderArgumentsValid(pixels, width, height, stride, reason)) return false;
  PngState state;
  state.sink = &sink;
  state.rows.resize(std::size_t(height));
  for (int y = 0; y < height; ++y) {
    state.rows[std::size_t(y)] =
        reinterpret_cast<png_bytep>(const_cast<std::uint32_t*>(pixels + std::size_t(y) * stride));
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    reason = L"The PNG encoder could not start.";
    return false;
  }
  const bool ok = writePngProtected(png, info, state, width, height);
  png_destroy_write_struct(&png, &info);
  if (!ok) {
    reason = L"The PNG image could not be encoded (" + wideFromMessage(state.message) + L").";
  }
  return ok;
}

}  // namespace vk::platform
