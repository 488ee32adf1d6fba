// Texture preview decodes against the plain libraries' whole decodes (the
// peers: what a preview cost when every image was decoded whole). Inputs:
// a lossy WebP of 8000 x 8000 pixels, a 1 x 1 PNG whose compressed data goes
// on for 1 GiB of zeros, a 3000 x 2000 photo-like JPEG, a 2048 x 2048 PNG of
// translucent noise and an 8000 x 8000 RGBA gradient PNG. Ours decodes and
// resamples every row into the 76-pixel thumbnail and the 64-pixel grid as
// it comes (the WebP reduced by libwebp's scaling decoder first, the
// gradient's rows averaged in blocks as they are inflated); the peers only
// decode. For a plain PNG above the reduction's threshold the whole preview
// should cost at most 1.3 times libpng's decode (BM_GradientPng_*: the
// simplified reader to whole BGRA pixels, and the barest row-by-row read).
#include <benchmark/benchmark.h>
#include <webp/decode.h>

#include <cmath>
#include <cstring>

#include "../tests/platform/image_test_support.h"

namespace {

constexpr int kSide = 8 * 76;

const std::string& hugeWebP() {
  static const std::string file = [] {
    std::vector<std::uint32_t> pixels(8000ull * 8000ull, 0xFF2A5AC8u);
    return vktest::encodeArgbLossyWebP(pixels, 8000, 8000);
  }();
  return file;
}

// Written row by row: the rows are never held.
const std::string& gradientPng() {
  static const std::string file = [] {
    const int side = 8000;
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, vktest::pngAppend, nullptr);
    png_set_IHDR(png, info, side, side, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t(side) * 4);
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        png_byte* p = &row[std::size_t(x) * 4];
        p[0] = png_byte(x * 255 / side);
        p[1] = png_byte(y * 255 / side);
        p[2] = png_byte((x + y) * 255 / (2 * side));
        p[3] = png_byte(255 - x * 128 / side);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
  }();
  return file;
}

const std::string& pngBomb() {
  static const std::string file = vktest::pngInflateBomb(1024);
  return file;
}

const std::string& photoJpeg() {
  static const std::string file = [] {
    vktest::JpegSpec spec;
    spec.width = 3000;
    spec.height = 2000;
    spec.quality = 90;
    for (int y = 0; y < spec.height; ++y)
      for (int x = 0; x < spec.width; ++x)
        for (int c = 0; c < 3; ++c)
          spec.samples.push_back(std::uint8_t(128 + 100 * std::sin(x * 0.01 * (c + 1) + y * 0.007)));
    return vktest::makeJpeg(spec);
  }();
  return file;
}

const std::string& noisePng() {
  static const std::string file = [] {
    vktest::PngSpec spec;
    spec.width = spec.height = 2048;
    spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    std::uint32_t state = 12345;
    spec.rows.resize(std::size_t(spec.width) * spec.height * 4);
    for (std::uint8_t& byte : spec.rows) {
      state = state * 1664525u + 1013904223u;
      byte = std::uint8_t(state >> 24);
    }
    return vktest::makePng(spec);
  }();
  return file;
}

void previewOf(benchmark::State& state, const std::string& file) {
  const vk::ImageProductSizes sizes = [](int, int) {
    return std::vector<vk::ImageSize>{{76, 76}, {64, 64}};
  };
  for (auto _ : state) {
    vk::ResampledImages products;
    if (!vk::decodeImageResampled(file.data(), file.size(), {kSide, kSide, nullptr}, sizes,
                                  products)) {
      state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(products.products.data());
  }
}

void BM_HugeWebP_Preview(benchmark::State& state) { previewOf(state, hugeWebP()); }
void BM_HugeWebP_LibwebpWhole(benchmark::State& state) {
  const std::string& file = hugeWebP();
  for (auto _ : state) {
    int width = 0, height = 0;
    std::uint8_t* pixels = WebPDecodeBGRA(reinterpret_cast<const std::uint8_t*>(file.data()),
                                          file.size(), &width, &height);
    benchmark::DoNotOptimize(pixels);
    WebPFree(pixels);
  }
}

void BM_PngBomb_Preview(benchmark::State& state) { previewOf(state, pngBomb()); }
// The peer: libpng's simplified reader decodes the whole image, reading the
// file to its end.
void libpngWhole(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, file.data(), file.size());
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    png_image_free(&image);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_PngBomb_LibpngWhole(benchmark::State& state) { libpngWhole(state, pngBomb()); }

void BM_PhotoJpeg_Preview(benchmark::State& state) { previewOf(state, photoJpeg()); }
void BM_PhotoJpeg_LibjpegWhole(benchmark::State& state) {
  const std::string& file = photoJpeg();
  for (auto _ : state) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    std::vector<std::uint8_t> pixels(std::size_t(cinfo.output_width) * cinfo.output_height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels.data() + std::size_t(cinfo.output_scanline) * cinfo.output_width * 4;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_NoisePng_Preview(benchmark::State& state) { previewOf(state, noisePng()); }
void BM_NoisePng_LibpngWhole(benchmark::State& state) { libpngWhole(state, noisePng()); }

// The barest peer: libpng's sequential reader inflating and unfiltering each
// row into one buffer, with no transformation.
void libpngRows(benchmark::State& state, const std::string& file, bool checksum = true) {
  struct Reader {
    const std::string* file;
    std::size_t at = 0;
  };
  for (auto _ : state) {
    Reader reader{&file};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!checksum) png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t length) {
      auto* r = static_cast<Reader*>(png_get_io_ptr(p));
      std::memcpy(out, r->file->data() + r->at, length);
      r->at += length;
    });
    png_read_info(png, info);
    std::vector<png_byte> row(png_get_rowbytes(png, info));
    for (png_uint_32 y = 0, height = png_get_image_height(png, info); y < height; ++y)
      png_read_row(png, row.data(), nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(row.data());
  }
}

void BM_GradientPng_Preview(benchmark::State& state) { previewOf(state, gradientPng()); }
void BM_GradientPng_LibpngWhole(benchmark::State& state) { libpngWhole(state, gradientPng()); }
void BM_GradientPng_LibpngRows(benchmark::State& state) { libpngRows(state, gradientPng()); }
// Ours leaves zlib's checksum out (reading stops before it); so does this one.
void BM_GradientPng_LibpngRowsNoChecksum(benchmark::State& state) {
  libpngRows(state, gradientPng(), false);
}

BENCHMARK(BM_HugeWebP_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HugeWebP_LibwebpWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngBomb_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngBomb_LibpngWhole)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PhotoJpeg_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotoJpeg_LibjpegWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoisePng_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoisePng_LibpngWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GradientPng_Preview)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GradientPng_LibpngWhole)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GradientPng_LibpngRows)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GradientPng_LibpngRowsNoChecksum)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
