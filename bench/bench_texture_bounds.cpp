// What a texture preview costs for the images that are cheap to store and
// dear to decode, read from disk as the texture cache reads them: the time
// to the thumbnail and the 64 x 64 grid, and the peak memory the decode adds
// (peak_MiB, measured in a child process so that nothing else counts).
// refused = 1 when the image was refused with a message instead. Inputs are
// generated once into the system temp folder (vk_bench_texture_bounds):
// - an 8192 x 8192 run-length TGA of 2 MB, and an 8192 x 8192 BMP (192 MB);
// - an 8192 x 8192 one-bit interlaced PNG of a few kilobytes;
// - progressive JPEGs: 4896 x 4896 4:4:4 (144 MB of coefficients) and
//   5600 x 5600 4:2:0 (90 MB);
// - an 8000 x 8000 RGBA gradient PNG;
// - gradients as lossless WebP of 6000 x 6000 (its decoder would hold 137
//   MiB) and 5000 x 5000, and as lossy WebP of 8000 x 8000.
// BM_ThirtyTexturesOpen* open a project's worth of them through the texture
// cache.
// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/encode.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "child_measure.h"
#include "model/app_state.h"
#include "shading/textures.h"

namespace {

namespace fs = std::filesystem;

fs::path folder() {
  static const fs::path path = [] {
    fs::path p = fs::temp_directory_path() / "vk_bench_texture_bounds";
    fs::create_directories(p);
    return p;
  }();
  return path;
}

void putLe(std::ofstream& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(char((v >> (8 * i)) & 0xFF));
}

// Runs of 128 pixels whose colour changes run by run: 2 MB for 64 megapixels.
void writeRleTga(const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  const int side = 8192;
  const char header[18] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           char(side & 0xFF), char(side >> 8), char(side & 0xFF), char(side >> 8), 24, 0x20};
  out.write(header, 18);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; x += 128) {
      out.put(char(0x80 | 127));
      out.put(char((x + y) / 64));
      out.put(char(y / 32));
      out.put(char(x / 32));
    }
  }
}

void writeBmp(const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  const int side = 8192, stride = side * 3;
  out.write("BM", 2);
  putLe(out, 54u + std::uint32_t(stride) * side, 4);
  putLe(out, 0, 4);
  putLe(out, 54, 4);
  putLe(out, 40, 4);
  putLe(out, side, 4);
  putLe(out, side, 4);
  putLe(out, 1, 2);
  putLe(out, 24, 2);
  for (int i = 0; i < 6; ++i) putLe(out, 0, 4);
  std::vector<char> row(static_cast<std::size_t>(stride));
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      row[std::size_t(x) * 3] = char(x / 32);
      row[std::size_t(x) * 3 + 1] = char(y / 32);
      row[std::size_t(x) * 3 + 2] = char((x ^ y) & 0xFF);
    }
    out.write(row.data(), stride);
  }
}

struct PngWriter {
  std::FILE* file;
  png_structp png;
  png_infop info;
  PngWriter(const fs::path& path, int width, int height, int depth, int colorType, bool interlaced) {
    file = std::fopen(path.c_str(), "wb");
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
  }
  ~PngWriter() {
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
  }
};

// Blocks of 512 pixels: a few kilobytes of deflated bits.
void writeAdam7Png(const fs::path& path) {
  const int side = 8192;
  PngWriter writer(path, side, side, 1, PNG_COLOR_TYPE_GRAY, true);
  const int passes = png_set_interlace_handling(writer.png);
  std::vector<png_byte> row(side / 8);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; x += 8) {
        png_byte bits = 0;
        for (int b = 0; b < 8; ++b)
          if (((x + b) / 512 + y / 512) % 2) bits |= png_byte(0x80 >> b);
        row[std::size_t(x / 8)] = bits;
      }
      png_write_row(writer.png, row.data());
    }
  }
}

void writeGradientPng(const fs::path& path) {
  const int side = 8000;
  PngWriter writer(path, side, side, 8, PNG_COLOR_TYPE_RGBA, false);
  std::vector<png_byte> row(std::size_t(side) * 4);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      png_byte* p = &row[std::size_t(x) * 4];
      p[0] = png_byte(x * 255 / side);
      p[1] = png_byte(y * 255 / side);
      p[2] = png_byte((x + y) * 255 / (2 * side));
      p[3] = png_byte(255 - x * 128 / side);
    }
    png_write_row(writer.png, row.data());
  }
}

// Photo-like content: smooth waves with some texture.
void writeProgressiveJpeg(const fs::path& path, int side, bool subsampled) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = JDIMENSION(side);
  cinfo.image_height = JDIMENSION(side);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  for (int c = 0; c < 3; ++c)
    cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = (c == 0 && subsampled) ? 2 : 1;
  jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(std::size_t(side) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = int(cinfo.next_scanline);
    for (int x = 0; x < side; ++x)
      for (int c = 0; c < 3; ++c)
        row[std::size_t(x) * 3 + c] =
            JSAMPLE(128 + 90 * std::sin(x * 0.004 * (c + 1) + y * 0.003) + ((x * 7 + y * 13) % 23));
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

void writeWebP(const fs::path& path, int side, bool lossless) {
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = lossless;
  config.method = 0;
  config.quality = lossless ? 0 : 80;
  WebPPicture picture;
  WebPPictureInit(&picture);
  picture.use_argb = 1;
  picture.width = side;
  picture.height = side;
  WebPPictureAlloc(&picture);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      picture.argb[std::size_t(y) * side + x] =
          0xFF000000u | std::uint32_t(x * 255 / side) << 16 | std::uint32_t(y * 255 / side) << 8 | ((x + y) & 0xFF);
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  WebPEncode(&config, &picture);
  WebPPictureFree(&picture);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(writer.mem), std::streamsize(writer.size));
  WebPMemoryWriterClear(&writer);
}

struct Input {
  const char* name;
  void (*write)(const fs::path&);
};

const Input kInputs[] = {
    {"rle_8192.tga", writeRleTga},
    {"adam7_8192.png", writeAdam7Png},
    {"progressive_444_4896.jpg", [](const fs::path& p) { writeProgressiveJpeg(p, 4896, false); }},
    {"progressive_420_5600.jpg", [](const fs::path& p) { writeProgressiveJpeg(p, 5600, true); }},
    {"gradient_8000.png", writeGradientPng},
    {"bmp_8192.bmp", writeBmp},
    {"lossless_6000.webp", [](const fs::path& p) { writeWebP(p, 6000, true); }},
    {"lossless_5000.webp", [](const fs::path& p) { writeWebP(p, 5000, true); }},
    {"lossy_8000.webp", [](const fs::path& p) { writeWebP(p, 8000, false); }},
};

fs::path input(const char* name) {
  const fs::path path = folder() / name;
  if (!fs::exists(path)) {
    for (const Input& in : kInputs)
      if (std::string(in.name) == name) in.write(path);
  }
  return path;
}

// Runs `work` (true when the image was decoded) in a child process.
template <class Work>
vk::test::ChildReport<1> inChild(Work&& work) {
  return vk::test::measureInChild<1>([&work](vk::test::ChildClock&) { return std::array<long long, 1>{work()}; });
}

void preview(benchmark::State& state, const char* name) {
  const std::wstring path = vk::wideFromPath(input(name));
  const vk::ImageProductSizes sizes = [](int width, int height) {
    const double scale = std::min(76.0 / width, 76.0 / height);
    return std::vector<vk::ImageSize>{{std::max(int(std::lround(scale * width)), 1),
                                       std::max(int(std::lround(scale * height)), 1)},
                                      {64, 64}};
  };
  vk::test::ChildReport<1> last;
  for (auto _ : state) {
    last = inChild([&] {
      vk::ResampledImages products;
      return vk::decodeImageFileResampled(path, {608, 608, nullptr}, sizes, products);
    });
    state.SetIterationTime(last.seconds);
  }
  state.counters["peak_MiB"] = double(last.peakBytes) / (1 << 20);
  state.counters["refused"] = last.values[0] ? 0 : 1;
  state.counters["file_MiB"] = double(fs::file_size(input(name))) / (1 << 20);
}

void BM_RleTga(benchmark::State& state) { preview(state, "rle_8192.tga"); }
void BM_Bmp(benchmark::State& state) { preview(state, "bmp_8192.bmp"); }
void BM_Adam7Png(benchmark::State& state) { preview(state, "adam7_8192.png"); }
void BM_ProgressiveJpeg444(benchmark::State& state) { preview(state, "progressive_444_4896.jpg"); }
void BM_ProgressiveJpeg420(benchmark::State& state) { preview(state, "progressive_420_5600.jpg"); }
void BM_GradientPng(benchmark::State& state) { preview(state, "gradient_8000.png"); }
void BM_LosslessWebP6000(benchmark::State& state) { preview(state, "lossless_6000.webp"); }
void BM_LosslessWebP5000(benchmark::State& state) { preview(state, "lossless_5000.webp"); }
void BM_LossyWebP(benchmark::State& state) { preview(state, "lossy_8000.webp"); }

// Thirty texture maps, each naming its own file, previewed as a project's
// first paint does: ten each of the TGA, the interlaced PNG and a
// progressive JPEG (the 4:4:4 one is refused, the 4:2:0 one decoded).
// all_previewed = 0 when some map got no thumbnail (stderr tells how many).
void thirtyTextures(benchmark::State& state, const char* jpeg) {
  const fs::path maps = folder() / "project";
  fs::create_directories(maps);
  std::vector<vk::TextureMap> textureMaps;
  const char* sources[] = {"rle_8192.tga", "adam7_8192.png", jpeg};
  for (int i = 0; i < 30; ++i) {
    const char* source = sources[i % 3];
    const fs::path copy = maps / (std::to_string(i) + "_" + source);
    if (!fs::exists(copy)) fs::copy_file(input(source), copy);
    vk::TextureMap map;
    map.channel = L"color";
    map.path = vk::wideFromPath(copy);
    map.enabled = true;
    textureMaps.push_back(map);
  }
  vk::test::ChildReport<1> last;
  for (auto _ : state) {
    last = inChild([&] {
      vk::clearTexturePreviewCache();
      int count = 0;
      for (const vk::TextureMap& map : textureMaps) count += vk::getTexturePreview(map)->thumbnailOk ? 1 : 0;
      std::fprintf(stderr, "previewed %d of 30\n", count);
      return count == 30;
    });
    state.SetIterationTime(last.seconds);
  }
  state.counters["peak_MiB"] = double(last.peakBytes) / (1 << 20);
  state.counters["all_previewed"] = double(last.values[0]);
}

void BM_ThirtyTexturesOpen444(benchmark::State& state) { thirtyTextures(state, "progressive_444_4896.jpg"); }
void BM_ThirtyTexturesOpen420(benchmark::State& state) { thirtyTextures(state, "progressive_420_5600.jpg"); }

BENCHMARK(BM_RleTga)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bmp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Adam7Png)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProgressiveJpeg444)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProgressiveJpeg420)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GradientPng)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LosslessWebP6000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LosslessWebP5000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LossyWebP)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ThirtyTexturesOpen444)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ThirtyTexturesOpen420)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
