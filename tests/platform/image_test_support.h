// Fixture builders for the image tests: small PNG, JPEG, WebP, BMP and TGA
// files produced in memory with the codec libraries or written by hand.
#pragma once

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webp/encode.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vktest {

// A fresh folder under the system temp folder, removed with its contents.
struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    static int serial = 0;
    path = std::filesystem::temp_directory_path() /
           ("vk_image_test_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
  }
  std::wstring file(const std::string& name) const { return vk::wideFromPath(path / name); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

inline std::string readAll(const std::wstring& path) {
  std::string bytes;
  vk::readFileBytes(path, bytes, 1u << 30, nullptr);
  return bytes;
}

// What a write reported in a child process whose files may not grow past
// `limitBytes` (a full disk, which binds root as well): "failed", "succeeded"
// or how the child ended otherwise.
inline std::string writeUnderFileSizeLimit(rlim_t limitBytes, const std::function<bool()>& write) {
  const pid_t child = fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // the write gets EFBIG instead of the process dying
    const rlimit limit{limitBytes, limitBytes};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    _exit(write() ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "crashed";
  switch (WEXITSTATUS(status)) {
    case 0: return "failed";
    case 1: return "succeeded";
    default: return "could not set the limit";
  }
}

struct PngSpec {
  int width = 1;
  int height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::uint8_t> rows;  // packed as libpng expects, rows back to back
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS for palette images
  bool hasTransparentColor = false;    // tRNS for grey / RGB images
  png_color_16 transparentColor{};
};

inline void pngAppend(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

// libpng aborts on an error here; the specs are fixed and valid.
inline std::string makePng(const PngSpec& spec) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(std::size_t(spec.height));
  const std::size_t rowBytes = spec.rows.size() / std::size_t(spec.height);
  for (int y = 0; y < spec.height; ++y) {
    rows[std::size_t(y)] = const_cast<png_bytep>(spec.rows.data() + rowBytes * std::size_t(y));
  }
  png_set_write_fn(png, &out, pngAppend, nullptr);
  png_set_IHDR(png, info, png_uint_32(spec.width), png_uint_32(spec.height), spec.bitDepth,
               spec.colorType, spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) {
    png_set_PLTE(png, info, spec.palette.data(), int(spec.palette.size()));
  }
  if (!spec.paletteAlpha.empty()) {
    png_set_tRNS(png, info, spec.paletteAlpha.data(), int(spec.paletteAlpha.size()), nullptr);
  }
  if (spec.hasTransparentColor) {
    png_color_16 color = spec.transparentColor;
    png_set_tRNS(png, info, nullptr, 0, &color);
  }
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct JpegSpec {
  int width = 1;
  int height = 1;
  int components = 3;  // 1 grey, 3 RGB, 4 CMYK
  J_COLOR_SPACE colorSpace = JCS_RGB;
  bool progressive = false;
  bool adobeMarker = true;  // CMYK only: written by default for CMYK
  int quality = 95;
  std::vector<std::uint8_t> samples;
  std::vector<jpeg_scan_info> scans;  // a progression of our own, when not empty
  bool fullChroma = false;            // 4:4:4 instead of the default 4:2:0
};

inline std::string makeJpeg(const JpegSpec& spec) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(spec.width);
  cinfo.image_height = JDIMENSION(spec.height);
  cinfo.input_components = spec.components;
  cinfo.in_color_space = spec.colorSpace;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  if (spec.colorSpace == JCS_CMYK) cinfo.write_Adobe_marker = spec.adobeMarker;
  if (spec.fullChroma)
    for (int c = 0; c < cinfo.num_components; ++c)
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  if (!spec.scans.empty()) {
    cinfo.scan_info = spec.scans.data();
    cinfo.num_scans = int(spec.scans.size());
  }
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = std::size_t(spec.width) * std::size_t(spec.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(spec.samples.data() + rowBytes * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

// Lossless WebP of ARGB words (bytes B, G, R, A in memory).
inline std::string makeWebPLossless(const std::vector<std::uint32_t>& argb, int width, int height) {
  std::uint8_t* output = nullptr;
  const std::size_t size = WebPEncodeLosslessBGRA(
      reinterpret_cast<const std::uint8_t*>(argb.data()), width, height, width * 4, &output);
  std::string out(reinterpret_cast<const char*>(output), size);
  WebPFree(output);
  return out;
}

// ARGB pixels (alpha in the top byte) as an RGBA PNG, an RGB JPEG and a lossy WebP.
inline std::string encodeArgbPng(const std::vector<std::uint32_t>& argb, int width, int height) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (std::uint32_t p : argb)
    for (int shift : {16, 8, 0, 24}) spec.rows.push_back(std::uint8_t(p >> shift));
  return makePng(spec);
}

inline std::string encodeArgbJpeg(const std::vector<std::uint32_t>& argb, int width, int height, int quality) {
  JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.quality = quality;
  for (std::uint32_t p : argb)
    for (int shift : {16, 8, 0}) spec.samples.push_back(std::uint8_t(p >> shift));
  return makeJpeg(spec);
}

inline std::string encodeArgbLossyWebP(const std::vector<std::uint32_t>& argb, int width, int height) {
  std::uint8_t* output = nullptr;
  const std::size_t size = WebPEncodeBGRA(reinterpret_cast<const std::uint8_t*>(argb.data()),
                                          width, height, width * 4, 90, &output);
  std::string out(reinterpret_cast<const char*>(output), size);
  WebPFree(output);
  return out;
}

inline void putLe16(std::string& out, std::uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}
inline void putLe32(std::string& out, std::uint32_t v) {
  putLe16(out, v & 0xFFFF);
  putLe16(out, v >> 16);
}

// Bottom-up BMP with BITMAPINFOHEADER, 24 or 32 bits per pixel.
inline std::string makeBmp(const std::vector<std::uint32_t>& argb, int width, int height,
                           int bits) {
  const int stride = (width * bits + 31) / 32 * 4;
  std::string out = "BM";
  putLe32(out, std::uint32_t(54 + stride * height));
  putLe32(out, 0);
  putLe32(out, 54);
  putLe32(out, 40);
  putLe32(out, std::uint32_t(width));
  putLe32(out, std::uint32_t(height));
  putLe16(out, 1);
  putLe16(out, std::uint32_t(bits));
  putLe32(out, 0);
  putLe32(out, std::uint32_t(stride * height));
  for (int i = 0; i < 4; ++i) putLe32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = argb[std::size_t(y * width + x)];
      row.push_back(char(p & 0xFF));
      row.push_back(char((p >> 8) & 0xFF));
      row.push_back(char((p >> 16) & 0xFF));
      if (bits == 32) row.push_back(char(p >> 24));
    }
    row.resize(std::size_t(stride), '\0');
    out += row;
  }
  return out;
}

// Top-down TGA, 32 bits per pixel, raw or run-length encoded (one run per
// of identical pixels per packet when `rle`).
inline std::string makeTga(const std::vector<std::uint32_t>& argb, int width, int height,
                           bool rle) {
  std::string out;
  out.push_back(0);                   // no image id
  out.push_back(0);                   // no colour map
  out.push_back(char(rle ? 10 : 2));  // true colour
  for (int i = 0; i < 5; ++i) out.push_back(0);
  putLe16(out, 0);
  putLe16(out, 0);
  putLe16(out, std::uint32_t(width));
  putLe16(out, std::uint32_t(height));
  out.push_back(32);
  out.push_back(char(0x28));  // top-down, 8 alpha bits
  auto pixel = [&](std::uint32_t p) {
    out.push_back(char(p & 0xFF));
    out.push_back(char((p >> 8) & 0xFF));
    out.push_back(char((p >> 16) & 0xFF));
    out.push_back(char(p >> 24));
  };
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = &argb[std::size_t(y * width)];
    for (int x = 0; x < width;) {
      int run = 1;
      if (rle) {
        while (x + run < width && run < 128 && row[x + run] == row[x]) ++run;
        out.push_back(char(0x80 | (run - 1)));
      }
      pixel(row[x]);
      x += run;
    }
  }
  return out;
}

inline std::uint32_t channelDistance(std::uint32_t a, std::uint32_t b) {
  std::uint32_t worst = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
    worst = std::max<std::uint32_t>(worst, std::uint32_t(d < 0 ? -d : d));
  }
  return worst;
}

// A lossless WebP of side x side pixels of one colour: a few kilobytes that
// declare side * side pixels. Encoded once per side and process.
inline const std::string& solidWebP(int side, std::uint32_t argb) {
  static std::vector<std::pair<std::pair<int, std::uint32_t>, std::string>> made;
  for (const auto& [key, file] : made)
    if (key == std::pair{side, argb}) return file;
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  config.method = 0;
  WebPPicture picture;
  WebPPictureInit(&picture);
  picture.use_argb = 1;
  picture.width = side;
  picture.height = side;
  WebPPictureAlloc(&picture);
  std::fill(picture.argb, picture.argb + std::size_t(side) * std::size_t(side), argb);
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  WebPEncode(&config, &picture);
  WebPPictureFree(&picture);
  made.push_back({{side, argb}, std::string(reinterpret_cast<const char*>(writer.mem), writer.size)});
  WebPMemoryWriterClear(&writer);
  return made.back().second;
}

// A baseline JPEG of side x side pixels of one colour (R, G, B), encoded a
// row at a time. Encoded once per side, colour and process.
inline const std::string& solidJpeg(int side, std::uint32_t rgb) {
  static std::vector<std::pair<std::pair<int, std::uint32_t>, std::string>> made;
  for (const auto& [key, file] : made)
    if (key == std::pair{side, rgb}) return file;
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(side);
  cinfo.image_height = JDIMENSION(side);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 50, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row;
  for (int x = 0; x < side; ++x)
    for (int shift : {16, 8, 0}) row.push_back(JSAMPLE((rgb >> shift) & 0xFF));
  JSAMPROW rows[1] = {row.data()};
  while (cinfo.next_scanline < cinfo.image_height) jpeg_write_scanlines(&cinfo, rows, 1);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  made.push_back({{side, rgb}, std::string(reinterpret_cast<const char*>(buffer), size)});
  std::free(buffer);
  return made.back().second;
}

inline void putBe32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((v >> shift) & 0xFF));
}

inline void appendPngChunk(std::string& out, const char* type, const std::string& data) {
  putBe32(out, std::uint32_t(data.size()));
  const std::string typed = std::string(type, 4) + data;
  out += typed;
  putBe32(out, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
}

// A 1 x 1 RGBA PNG (pixel bytes R, G, B, A = 10, 20, 30, 255) whose one IDAT
// chunk goes on after the row with `mebibytes` MiB of deflated zeros: about
// 1 KB of data per MiB. Each MiB is compressed after a full flush, which
// resets the compressor, so one compressed MiB is repeated.
inline std::string pngInflateBomb(std::uint32_t mebibytes) {
  z_stream zs{};
  deflateInit(&zs, 9);
  const std::string zeros(1u << 20, '\0');
  auto compress = [&](const std::string& in, int flush) {
    std::string out(deflateBound(&zs, uLong(in.size())) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = uInt(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, flush);
    out.resize(out.size() - zs.avail_out);
    return out;
  };
  std::string idat = compress(std::string("\0\x0A\x14\x1E\xFF", 5), Z_FULL_FLUSH);
  const std::string mebibyte = compress(zeros, Z_FULL_FLUSH);
  idat.reserve(idat.size() + mebibyte.size() * mebibytes + 64);
  for (std::uint32_t i = 0; i < mebibytes; ++i) idat += mebibyte;
  idat += compress(std::string(), Z_FINISH);
  deflateEnd(&zs);
  std::string png("\x89PNG\r\n\x1A\n", 8);
  std::string header;
  putBe32(header, 1);
  putBe32(header, 1);
  header += std::string("\x08\x06\0\0\0", 5);  // 8 bits, RGBA, no interlace
  appendPngChunk(png, "IHDR", header);
  appendPngChunk(png, "IDAT", idat);
  appendPngChunk(png, "IEND", std::string());
  return png;
}

}  // namespace vktest
