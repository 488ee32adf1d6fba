// JPEG decoding and encoding through libjpeg-turbo. Errors leave libjpeg by
// longjmp; the protected regions keep every C++ object outside themselves.
// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "platform/image_internal.h"

namespace vk::platform {

namespace {

// Progressive files list their scans freely, and each scan walks every block
// of the image again: a few bytes of end-of-band runs per scan cost seconds
// on a large image. Encoders write ten scans for colour, eighteen for CMYK.
constexpr int kJpegScanLimit = 32;
// A file of several scans holds every coefficient of the image (two bytes per
// sample) besides the decoded pixels; both together must fit this.
constexpr unsigned long long kJpegMultiScanByteLimit = 240ull * 1024 * 1024;

struct JpegErrors {
  jpeg_error_mgr manager{};  // first: libjpeg hands back its address
  jpeg_progress_mgr progress{};
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
  bool tooManyScans = false;
};

JpegErrors& errorsOf(j_common_ptr common) { return *reinterpret_cast<JpegErrors*>(common->err); }

[[noreturn]] void jpegErrorExit(j_common_ptr common) {
  JpegErrors& errors = errorsOf(common);
  (*common->err->format_message)(common, errors.message);
  std::longjmp(errors.jump, 1);
}

// Warnings about the image data fail the decode: libjpeg would go on and
// fill what it lost with grey, a damaged picture reported as a good one.
// Notes about metadata and stray bytes between segments stay tolerated
// (many real files have them; the pixels are whole).
void jpegEmitMessage(j_common_ptr common, int level) {
  if (level >= 0) return;
  switch (common->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
      jpegErrorExit(common);
    default:
      break;
  }
}

void jpegOutputMessage(j_common_ptr) {}

// Called by libjpeg while it reads the data, scan by scan.
void jpegProgress(j_common_ptr common) {
  if (!common->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number <= kJpegScanLimit) return;
  JpegErrors& errors = errorsOf(common);
  errors.tooManyScans = true;
  std::longjmp(errors.jump, 1);
}

void installErrors(JpegErrors& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jpegErrorExit;
  errors.manager.emit_message = jpegEmitMessage;
  errors.manager.output_message = jpegOutputMessage;
  errors.progress.progress_monitor = jpegProgress;
}

// The coefficient arrays of every component, padded to whole MCUs, and the
// decoded pixels: what a decode of several scans holds at once.
unsigned long long multiScanBytes(const jpeg_decompress_struct& cinfo) {
  unsigned long long total = 4ull * cinfo.image_width * cinfo.image_height;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& comp = cinfo.comp_info[c];
    const unsigned long long h = std::max(comp.h_samp_factor, 1), v = std::max(comp.v_samp_factor, 1);
    const unsigned long long across = (comp.width_in_blocks + h - 1) / h * h;
    const unsigned long long down = (comp.height_in_blocks + v - 1) / v * v;
    total += across * down * sizeof(JBLOCK);
  }
  return total;
}

struct JpegDecodeState {
  std::vector<JSAMPLE> row;  // one decoded row, before it is handed over
  std::vector<std::uint8_t> bgra;  // a CMYK row converted
};

inline std::uint32_t multiply255(std::uint32_t a, std::uint32_t b) {
  std::uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// The smallest of libjpeg's scales n/8 whose output keeps the sides the
// request asks for (8/8 when it asks for none).
unsigned int jpegScaleEighths(unsigned int width, unsigned int height,
                              const ImageDecodeRequest& request) {
  for (unsigned int n = 1; n < 8; ++n) {
    const unsigned long long w = (std::uint64_t(width) * n + 7) / 8;
    const unsigned long long h = (std::uint64_t(height) * n + 7) / 8;
    if (request.minWidth > 0 && request.minHeight > 0 && w >= unsigned(request.minWidth) &&
        h >= unsigned(request.minHeight)) {
      return n;
    }
  }
  return 8;
}

DecodeStep readJpeg(jpeg_decompress_struct& cinfo, JpegErrors& errors, const std::uint8_t* data,
                    std::size_t size, const ImageDecodeRequest& request, JpegDecodeState& state,
                    ImageRowSink& sink, std::wstring& reason) {
  if (setjmp(errors.jump)) {
    if (!errors.tooManyScans) return DecodeStep::Failed;
    reason = L"The JPEG image has more than " + std::to_wstring(kJpegScanLimit) + L" scans.";
    return DecodeStep::Refused;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &errors.progress;
  // Enough for the largest accepted progressive image; anything needing more
  // fails instead of swapping the machine to death.
  cinfo.mem->max_memory_to_use = 1024L * 1024 * 1024;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!imageSizeAllowed(cinfo.image_width, cinfo.image_height, reason)) return DecodeStep::Refused;
  if (jpeg_has_multiple_scans(&cinfo) && multiScanBytes(cinfo) > kJpegMultiScanByteLimit) {
    reason = L"The JPEG image is " + std::to_wstring(cinfo.image_width) + L" x " +
             std::to_wstring(cinfo.image_height) + L" pixels in several scans, more than the " +
             std::to_wstring(kJpegMultiScanByteLimit >> 20) + L" MiB such an image may take to decode.";
    return DecodeStep::Refused;
  }

  if (!admitImage(cinfo.image_width, cinfo.image_height, request, reason)) return DecodeStep::Refused;

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  // The scaled inverse transform reduces each 8 x 8 block to n x n pixels.
  const bool large = std::uint64_t(cinfo.image_width) * cinfo.image_height > kDecoderScalingPixels;
  const unsigned int eighths =
      large ? jpegScaleEighths(cinfo.image_width, cinfo.image_height, request) : 8;
  cinfo.scale_num = eighths;
  cinfo.scale_denom = 8;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 4 ||
      cinfo.output_width != (std::uint64_t(cinfo.image_width) * eighths + 7) / 8 ||
      cinfo.output_height != (std::uint64_t(cinfo.image_height) * eighths + 7) / 8) {
    ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
  }
  const int width = int(cinfo.output_width), height = int(cinfo.output_height);
  const DecodedRows rows{width,
                         height,
                         int(cinfo.image_width),
                         int(cinfo.image_height),
                         double(cinfo.image_width) * eighths / 8,
                         double(cinfo.image_height) * eighths / 8};
  if (!sink.begin(rows, reason)) return DecodeStep::Refused;
  state.row.resize(std::size_t(width) * 4);
  if (cmyk) state.bgra.resize(std::size_t(width) * 4);
  // Photoshop writes CMYK inverted (0 = full ink) and marks it with its
  // APP14 segment; plain CMYK stores ink amounts.
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW target = state.row.data();
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
    if (!cmyk) {
      sink.addRow(state.row.data());
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const JSAMPLE* p = &state.row[std::size_t(x) * 4];
      std::uint32_t c = p[0], m = p[1], yel = p[2], k = p[3];
      if (!inverted) c = 255 - c, m = 255 - m, yel = 255 - yel, k = 255 - k;
      std::uint8_t* q = &state.bgra[std::size_t(x) * 4];
      q[0] = std::uint8_t(multiply255(yel, k));
      q[1] = std::uint8_t(multiply255(m, k));
      q[2] = std::uint8_t(multiply255(c, k));
      q[3] = 0xFF;
    }
    sink.addRow(state.bgra.data());
  }
  jpeg_finish_decompress(&cinfo);
  return DecodeStep::Done;
}

}  // namespace

bool decodeJpeg(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
                ImageRowSink& sink, std::wstring& reason) {
  jpeg_decompress_struct cinfo{};
  JpegErrors errors;
  installErrors(errors);
  cinfo.err = &errors.manager;
  JpegDecodeState state;
  const DecodeStep step = readJpeg(cinfo, errors, data, size, request, state, sink, reason);
  jpeg_destroy_decompress(&cinfo);
  return finishDecode(step, L"JPEG", errors.message, reason);
}

namespace {

constexpr std::size_t kJpegChunk = 64 * 1024;

struct JpegDestination {
  jpeg_destination_mgr manager{};
  const FileChunkSink* sink = nullptr;
  std::vector<JOCTET> buffer;
};

void jpegInitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
  dest->manager.next_output_byte = dest->buffer.data();
  dest->manager.free_in_buffer = dest->buffer.size();
}

boolean jpegEmptyBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
  if (!(*dest->sink)(dest->buffer.data(), dest->buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
  dest->manager.next_output_byte = dest->buffer.data();
  dest->manager.free_in_buffer = dest->buffer.size();
  return TRUE;
}

void jpegTermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
  const std::size_t used = dest->buffer.size() - dest->manager.free_in_buffer;
  if (!(*dest->sink)(dest->buffer.data(), used)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

bool writeJpegProtected(jpeg_compress_struct& cinfo, JpegErrors& errors, JpegDestination& dest,
                        const std::uint32_t* pixels, int width, int height, int stride,
                        int quality) {
  if (setjmp(errors.jump)) return false;
  jpeg_create_compress(&cinfo);
  cinfo.dest = &dest.manager;
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(
        const_cast<std::uint32_t*>(pixels + std::size_t(cinfo.next_scanline) * stride));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

bool jpegQualityValid(int quality, std::wstring& reason) {
  if (quality >= 1 && quality <= 100) return true;
  reason = L"The JPEG quality must be between 1 and 100.";
  return false;
}

bool writeJpegStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                     int stride, int quality, std::wstring& reason) {
  if (!encoderArgumentsValid(pixels, width, height, stride, reason)) return false;
  if (!jpegQualityValid(quality, reason)) return false;
  jpeg_compress_struct cinfo{};
  JpegErrors errors;
  installErrors(errors);
  cinfo.err = &errors.manager;
  JpegDestination dest;
  dest.sink = &sink;
  dest.buffer.resize(kJpegChunk);
  dest.manager.init_destination = jpegInitDestination;
  dest.manager.empty_output_buffer = jpegEmptyBuffer;
  dest.manager.term_destination = jpegTermDestination;
  const bool ok = writeJpegProtected(cinfo, errors, dest, pixels, width, height, stride, quality);
  jpeg_destroy_compress(&cinfo);
  if (!ok) {
    reason = L"The JPEG image could not be encoded (" + wideFromMessage(errors.message) + L").";
  }
  return ok;
}

}  // namespace vk::platform
