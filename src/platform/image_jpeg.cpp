// JPEG decoding and encoding through libjpeg-turbo. Errors leave libjpeg by
// longjmp; the protected regions keep every C++ object outside themselves.
//
// Sections:
//   - Limits and errors
//   - Reading the data, a segment at a time
//   - Decoding
//   - Encoding
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

// ---- Limits and errors ------------------------------------------------------

namespace {

// Progressive files list their scans freely, and each scan walks every block
// of the image again: a few bytes of end-of-band runs per scan cost seconds
// on a large image. Encoders write ten scans for colour, eighteen for CMYK.
constexpr int kJpegScanLimit = 32;
// A file of several scans holds every coefficient of the image (two bytes per
// sample) while it decodes; with what else a decode holds (the data's window,
// the library's row buffers) it must stay within the decode's bound.
constexpr unsigned long long kJpegMultiScanByteLimit = kImageDecodeByteLimit - 16ull * 1024 * 1024;

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

// The coefficient arrays of every component, padded to whole MCUs: what a
// decode of several scans holds besides its rows.
unsigned long long multiScanBytes(const jpeg_decompress_struct& cinfo) {
  unsigned long long total = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& comp = cinfo.comp_info[c];
    const unsigned long long h = std::max(comp.h_samp_factor, 1), v = std::max(comp.v_samp_factor, 1);
    const unsigned long long across = (comp.width_in_blocks + h - 1) / h * h;
    const unsigned long long down = (comp.height_in_blocks + v - 1) / v * v;
    total += across * down * sizeof(JBLOCK);
  }
  return total;
}

// ---- Reading the data, a segment at a time ----------------------------------

// Hands libjpeg the data in pieces, a segment at a time: a marker with its
// parameters, or a scan (its header and its coded data up to the next
// marker). Scans of AC coefficients of components that a reduced decode
// takes only the DC coefficient of (the 1/8 scale's one-pixel transform)
// may be left out: in a progressive file they are most of the data and of
// the decoding, and the rows come out the same without them. At the end of
// the data libjpeg is given an end marker and warned, as jpeg_mem_src does
// (the warning fails the decode).
struct JpegSource {
  jpeg_source_mgr manager{};  // first: libjpeg hands back its address
  ImageInput* input = nullptr;
  std::uint64_t position = 0;
  std::uint64_t segmentEnd = 0;
  bool readFailed = false;
  // Segments are told apart until something does not parse; from there on
  // the rest goes as it is.
  bool walking = true;
  // Component identifiers whose AC scans are left out (none at first), and
  // whether any scan was.
  std::vector<int> dcOnly;
  bool leftOut = false;
};

constexpr std::size_t kJpegPiece = 64 * 1024;
const JOCTET kFakeEnd[2] = {0xFF, JPEG_EOI};

JpegSource& sourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<JpegSource*>(cinfo->src); }

void jpegInitSource(j_decompress_ptr) {}
void jpegTermSource(j_decompress_ptr) {}

// Where the coded data from `at` ends: at the first 0xFF that is neither a
// stuffed zero nor a restart marker (or at the end of the data).
bool codedDataEnd(ImageInput& input, std::uint64_t at, std::uint64_t& end) {
  for (;;) {
    const std::size_t length = input.available(at, kJpegPiece);
    if (length == 0) {
      end = input.size();
      return true;
    }
    const std::uint8_t* bytes = input.read(at, length);
    if (!bytes) return false;
    const void* mark = std::memchr(bytes, 0xFF, length);
    if (!mark) {
      at += length;
      continue;
    }
    const std::uint64_t found = at + std::uint64_t(static_cast<const std::uint8_t*>(mark) - bytes);
    if (input.available(found + 1, 1) == 0) {
      end = input.size();
      return true;
    }
    const std::uint8_t* next = input.read(found + 1, 1);
    if (!next) return false;
    if (*next == 0x00 || (*next >= 0xD0 && *next <= 0xD7)) {
      at = found + 2;
      continue;
    }
    end = found;
    return true;
  }
}

// The end of the segment at `at`, and whether it is a scan that may be left out.
bool nextSegment(JpegSource& source, std::uint64_t at, std::uint64_t& end, bool& leaveOut) {
  ImageInput& input = *source.input;
  leaveOut = false;
  const std::uint8_t* marker = input.read(at, 2);
  if (!marker) return false;
  if (marker[0] != 0xFF) {
    // Stray bytes, which libjpeg skips up to the next marker.
    const std::size_t length = input.available(at, kJpegPiece);
    const std::uint8_t* bytes = input.read(at, length);
    const void* mark = bytes ? std::memchr(bytes, 0xFF, length) : nullptr;
    end = mark ? at + std::uint64_t(static_cast<const std::uint8_t*>(mark) - bytes) : at + length;
    return bytes != nullptr;
  }
  const int code = marker[1];
  if (code == 0xFF) {  // a fill byte before a marker
    end = at + 1;
    return true;
  }
  if (code == 0xD8 || code == 0xD9 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
    end = at + 2;
    return true;
  }
  const std::uint8_t* size = input.read(at + 2, 2);
  if (!size) return false;
  const std::uint64_t length = (std::uint64_t(size[0]) << 8) | size[1];
  if (length < 2) return false;
  end = at + 2 + length;
  if (code != 0xDA) return true;
  // A scan: its components, then Ss (0 for DC, the first AC coefficient else).
  if (length < 3 || input.available(at + 4, std::size_t(length - 2)) < length - 2) return false;
  const std::uint8_t* header = input.read(at + 4, std::size_t(length - 2));
  if (!header) return false;
  const int components = header[0];
  if (length < 6 + 2ull * components) return false;
  const bool ac = header[1 + 2 * components] > 0;
  leaveOut = ac && components > 0;
  for (int c = 0; c < components && leaveOut; ++c)
    leaveOut = std::find(source.dcOnly.begin(), source.dcOnly.end(), header[1 + 2 * c]) != source.dcOnly.end();
  return codedDataEnd(input, end, end);
}

boolean jpegFillInput(j_decompress_ptr cinfo) {
  JpegSource& source = sourceOf(cinfo);
  ImageInput& input = *source.input;
  while (source.position >= source.segmentEnd && source.position < input.size()) {
    bool leaveOut = false;
    std::uint64_t end = input.size();
    if (source.walking && !nextSegment(source, source.position, end, leaveOut)) {
      source.walking = false;
      end = input.size();
      leaveOut = false;
    }
    if (!source.walking) end = input.size();
    if (leaveOut) {
      source.position = end;
      source.leftOut = true;
      continue;
    }
    source.segmentEnd = std::min(end, input.size());
  }
  if (input.failed()) {
    source.readFailed = true;
    ERREXIT(cinfo, JERR_FILE_READ);
  }
  const std::size_t piece =
      std::size_t(std::min<std::uint64_t>(kJpegPiece, source.segmentEnd - std::min(source.position, source.segmentEnd)));
  const std::uint8_t* bytes = piece ? input.read(source.position, piece) : nullptr;
  if (!bytes && input.failed()) {
    source.readFailed = true;
    ERREXIT(cinfo, JERR_FILE_READ);
  }
  if (!bytes) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source.manager.next_input_byte = kFakeEnd;
    source.manager.bytes_in_buffer = 2;
    return TRUE;
  }
  source.position += piece;
  source.manager.next_input_byte = bytes;
  source.manager.bytes_in_buffer = piece;
  return TRUE;
}

// Skipped data goes through the pieces like the rest, so that segments stay
// told apart.
void jpegSkipInput(j_decompress_ptr cinfo, long count) {
  JpegSource& source = sourceOf(cinfo);
  std::size_t left = count > 0 ? std::size_t(count) : 0;
  while (left > source.manager.bytes_in_buffer) {
    left -= source.manager.bytes_in_buffer;
    source.manager.bytes_in_buffer = 0;
    jpegFillInput(cinfo);
  }
  source.manager.next_input_byte += left;
  source.manager.bytes_in_buffer -= left;
}

void installSource(jpeg_decompress_struct& cinfo, JpegSource& source, ImageInput& input) {
  source.input = &input;
  source.manager.init_source = jpegInitSource;
  source.manager.fill_input_buffer = jpegFillInput;
  source.manager.skip_input_data = jpegSkipInput;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = jpegTermSource;
  cinfo.src = &source.manager;
}

// ---- Decoding ---------------------------------------------------------------

struct JpegDecodeState {
  bool leaveOutAc = true;  // false: every scan is read
  bool begun = false;      // rows have gone to the sink
  std::vector<JSAMPLE> row;  // one decoded row, before it is handed over
  std::vector<std::uint8_t> bgra;  // a CMYK row converted
};

inline std::uint32_t multiply255(std::uint32_t a, std::uint32_t b) {
  std::uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// The smallest of libjpeg's scales n/8 whose output keeps the sides the
// request asks for (8/8 when it asks for none). A progressive image makes its
// 1/8 scale of its DC coefficients alone, which leaves out most of its data
// and decoding: that scale is taken whenever it keeps half the sides asked for.
unsigned int jpegScaleEighths(unsigned int width, unsigned int height, bool progressive,
                              const ImageDecodeRequest& request) {
  if (reductionFactor(int(width), int(height), request) == 1) return 8;
  if (progressive && (width + 7) / 8 >= unsigned(request.minWidth) / 2 &&
      (height + 7) / 8 >= unsigned(request.minHeight) / 2) {
    return 1;
  }
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

DecodeStep readJpeg(jpeg_decompress_struct& cinfo, JpegErrors& errors, JpegSource& source,
                    ImageInput& input, const ImageDecodeRequest& request, JpegDecodeState& state,
                    ImageRowSink& sink, std::wstring& reason) {
  if (setjmp(errors.jump)) {
    if (source.readFailed) {
      reason = input.failure();
      return DecodeStep::Refused;
    }
    if (!errors.tooManyScans) return DecodeStep::Failed;
    reason = L"The JPEG image has more than " + std::to_wstring(kJpegScanLimit) + L" scans.";
    return DecodeStep::Refused;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &errors.progress;
  // Anything needing more than the decode's bound fails instead (libjpeg
  // here has no backing store).
  cinfo.mem->max_memory_to_use = long(kImageDecodeByteLimit);
  installSource(cinfo, source, input);
  jpeg_read_header(&cinfo, TRUE);
  if (!imageSizeAllowed(cinfo.image_width, cinfo.image_height, reason)) return DecodeStep::Refused;
  if (jpeg_has_multiple_scans(&cinfo) && multiScanBytes(cinfo) > kJpegMultiScanByteLimit) {
    reason = L"The JPEG image is " + std::to_wstring(cinfo.image_width) + L" x " +
             std::to_wstring(cinfo.image_height) + L" pixels in several scans, more than the " +
             std::to_wstring(kJpegMultiScanByteLimit >> 20) + L" MiB such an image may take to decode.";
    return DecodeStep::Refused;
  }

  // Every coefficient is decoded, whatever the scale.
  if (!admitImage(cinfo.image_width, cinfo.image_height, request, reason)) return DecodeStep::Refused;

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  // The scaled inverse transform reduces each 8 x 8 block to n x n pixels.
  const unsigned int eighths =
      jpegScaleEighths(cinfo.image_width, cinfo.image_height, cinfo.progressive_mode, request);
  cinfo.scale_num = eighths;
  cinfo.scale_denom = 8;
  if (cinfo.progressive_mode && state.leaveOutAc) {
    jpeg_calc_output_dimensions(&cinfo);
    for (int c = 0; c < cinfo.num_components; ++c)
      if (cinfo.comp_info[c].DCT_scaled_size == 1) source.dcOnly.push_back(cinfo.comp_info[c].component_id);
    // Without AC coefficients libjpeg would guess them from the neighbours'
    // DC; the one-pixel transform reads none.
    if (!source.dcOnly.empty()) cinfo.do_block_smoothing = FALSE;
  }
  // Nothing to leave out: the rest goes in plain pieces.
  if (source.dcOnly.empty()) source.walking = false;
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
  state.begun = true;
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

// A decode that left scans out and failed before its first row is tried
// again reading them all: a damaged file may hold scans whose order only
// holds together with them (the budget was charged the first time).
bool decodeJpeg(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
                std::wstring& reason) {
  ImageDecodeRequest again = request;
  again.budget = nullptr;
  for (const bool leaveOutAc : {true, false}) {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors;
    installErrors(errors);
    cinfo.err = &errors.manager;
    JpegSource source;
    JpegDecodeState state;
    state.leaveOutAc = leaveOutAc;
    const DecodeStep step =
        readJpeg(cinfo, errors, source, input, leaveOutAc ? request : again, state, sink, reason);
    jpeg_destroy_decompress(&cinfo);
    if (step != DecodeStep::Failed || !source.leftOut || state.begun)
      return finishDecode(step, L"JPEG", errors.message, reason);
  }
  return false;
}

namespace {

int readJpegComponents(jpeg_decompress_struct& cinfo, JpegErrors& errors, JpegSource& source, ImageInput& input) {
  if (setjmp(errors.jump)) return 0;
  jpeg_create_decompress(&cinfo);
  installSource(cinfo, source, input);
  jpeg_read_header(&cinfo, TRUE);
  return cinfo.num_components;
}

}  // namespace

int jpegComponentCount(ImageInput& input) {
  jpeg_decompress_struct cinfo{};
  JpegErrors errors;
  installErrors(errors);
  cinfo.err = &errors.manager;
  JpegSource source;
  source.walking = false;
  const int components = readJpegComponents(cinfo, errors, source, input);
  jpeg_destroy_decompress(&cinfo);
  return components;
}

// ---- Encoding ---------------------------------------------------------------

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
