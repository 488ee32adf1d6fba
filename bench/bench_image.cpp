// Still-export encoders against the libraries they wrap: PNG (libpng) and
// JPEG quality 92 (libjpeg-turbo) of a 1280 x 720 rendered-looking frame,
// each written to a file beside the others. The direct calls use exactly
// the same settings, so the ratio is the cost of our wrapper (the atomic
// temporary file and rename, the chunk sink).
// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "platform/win32.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

std::uint32_t bgrx(double r, double g, double b) {
  auto c = [](double v) { return std::uint32_t(std::clamp(v, 0.0, 255.0)); };
  return (c(r) << 16) | (c(g) << 8) | c(b);
}

// A viewport-like frame: a vertical gradient, a floor grid, and faceted
// Lambert-shaded spheres and a box with outlines, as the still export draws.
const std::vector<std::uint32_t>& renderedFrame() {
  static const std::vector<std::uint32_t> frame = [] {
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      const double t = double(y) / kHeight;
      for (int x = 0; x < kWidth; ++x) {
        pixels[std::size_t(y) * kWidth + x] = bgrx(22 + 30 * t, 27 + 32 * t, 36 + 40 * t);
      }
    }
    // Floor grid in perspective below the horizon.
    for (int y = 360; y < kHeight; ++y) {
      const double depth = 40.0 / (y - 340);
      for (int x = 0; x < kWidth; ++x) {
        const double wx = (x - 640) * depth * 0.05;
        if (std::fabs(wx - std::round(wx)) < 0.02 * depth * 4 || (y - 360) % 24 == 0) {
          pixels[std::size_t(y) * kWidth + x] = bgrx(64, 74, 90);
        }
      }
    }
    struct Sphere {
      double cx, cy, r, red, green, blue;
    };
    const Sphere spheres[] = {
        {420, 380, 150, 200, 90, 60}, {820, 420, 110, 70, 160, 210}, {1040, 300, 70, 220, 200, 90}};
    for (const Sphere& s : spheres) {
      for (int y = int(s.cy - s.r); y <= int(s.cy + s.r); ++y) {
        for (int x = int(s.cx - s.r); x <= int(s.cx + s.r); ++x) {
          const double dx = (x - s.cx) / s.r, dy = (y - s.cy) / s.r, d2 = dx * dx + dy * dy;
          if (d2 > 1 || x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
          // Flat shading per facet of a 24 x 12 UV sphere.
          const double lon =
              std::round(std::atan2(dx, std::sqrt(1 - d2)) / (M_PI / 12)) * (M_PI / 12);
          const double lat =
              std::round(std::asin(std::clamp(dy, -1.0, 1.0)) / (M_PI / 12)) * (M_PI / 12);
          const double nx = std::cos(lat) * std::sin(lon), ny = std::sin(lat),
                       nz = std::cos(lat) * std::cos(lon);
          const double light = 0.25 + 0.75 * std::max(0.0, -0.4 * nx - 0.5 * ny + 0.77 * nz);
          std::uint32_t colour = bgrx(s.red * light, s.green * light, s.blue * light);
          if (d2 > 0.97) colour = bgrx(96, 104, 120);
          pixels[std::size_t(y) * kWidth + x] = colour;
        }
      }
    }
    for (int y = 470; y < 640; ++y) {
      for (int x = 560; x < 760; ++x) {
        const bool edge = y == 470 || y == 639 || x == 560 || x == 759;
        const double shade = x < 660 ? 0.9 : 0.6;
        pixels[std::size_t(y) * kWidth + x] =
            edge ? bgrx(255, 160, 40) : bgrx(150 * shade, 150 * shade, 160 * shade);
      }
    }
    return pixels;
  }();
  return frame;
}

std::filesystem::path benchFile(const char* name) {
  return std::filesystem::temp_directory_path() / name;
}

void reportSize(benchmark::State& state, const std::filesystem::path& path) {
  std::error_code ec;
  state.counters["bytes"] = double(std::filesystem::file_size(path, ec));
}

void BM_PngEncode_Vk(benchmark::State& state) {
  const auto& pixels = renderedFrame();
  const std::filesystem::path path = benchFile("vk_bench_still.png");
  for (auto _ : state) {
    if (!vk::encodePngFile(vk::wideFromPath(path), pixels.data(), kWidth, kHeight, kWidth)) {
      state.SkipWithError("encode failed");
    }
  }
  reportSize(state, path);
}

void writePngDirect(const std::filesystem::path& path, const std::uint32_t* pixels, int level,
                    int filters) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) {
    rows[std::size_t(y)] =
        reinterpret_cast<png_bytep>(const_cast<std::uint32_t*>(pixels + std::size_t(y) * kWidth));
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
  png_write_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

void BM_PngEncode_Libpng(benchmark::State& state) {
  const auto& pixels = renderedFrame();
  const std::filesystem::path path = benchFile("vk_bench_direct.png");
  for (auto _ : state)
    writePngDirect(path, pixels.data(), vk::kPngCompressionLevel, PNG_FILTER_SUB | PNG_FILTER_UP);
  reportSize(state, path);
}

// The settings the encoder uses, against libpng's defaults (level 6, all
// filters chosen adaptively) and neighbours, for size and time.
void BM_PngSettings_Libpng(benchmark::State& state) {
  const auto& pixels = renderedFrame();
  const std::filesystem::path path = benchFile("vk_bench_settings.png");
  const int filters = state.range(1) == 0 ? PNG_ALL_FILTERS : PNG_FILTER_SUB | PNG_FILTER_UP;
  for (auto _ : state) writePngDirect(path, pixels.data(), int(state.range(0)), filters);
  reportSize(state, path);
}

void BM_JpegEncode_Vk(benchmark::State& state) {
  const auto& pixels = renderedFrame();
  const std::filesystem::path path = benchFile("vk_bench_still.jpg");
  for (auto _ : state) {
    if (!vk::encodeJpegFile(vk::wideFromPath(path), pixels.data(), kWidth, kHeight, kWidth, 92)) {
      state.SkipWithError("encode failed");
    }
  }
  reportSize(state, path);
}

void BM_JpegEncode_Libjpeg(benchmark::State& state) {
  const auto& pixels = renderedFrame();
  const std::filesystem::path path = benchFile("vk_bench_direct.jpg");
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 92, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = reinterpret_cast<JSAMPROW>(
          const_cast<std::uint32_t*>(pixels.data() + std::size_t(cinfo.next_scanline) * kWidth));
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
  }
  reportSize(state, path);
}

}  // namespace

// The minimum over repetitions is the figure least disturbed by other load.
double minimum(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

BENCHMARK(BM_PngEncode_Vk)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minimum);
BENCHMARK(BM_PngEncode_Libpng)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minimum);
BENCHMARK(BM_PngSettings_Libpng)
    ->ArgNames({"level", "subUpOnly"})
    ->Args({6, 0})
    ->Args({6, 1})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", minimum);
BENCHMARK(BM_JpegEncode_Vk)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minimum);
BENCHMARK(BM_JpegEncode_Libjpeg)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minimum);

BENCHMARK_MAIN();
