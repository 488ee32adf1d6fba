// The data the decoders read, from memory or from a file through a window,
// and the block averaging that reduces plain rows as they are decoded.
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/image_internal.h"

namespace vk::platform {

namespace {

// A file read front to back is fetched in pieces of at least this size, so
// that a decoder reading a few bytes at a time reads it in large requests; a
// read elsewhere (a row at its offset) fetches just what it asks for.
constexpr std::size_t kInputPiece = 64 * 1024;

}  // namespace

ImageInput::ImageInput(const void* data, std::size_t size)
    : memory_(static_cast<const std::uint8_t*>(data)), size_(data ? size : 0) {}

ImageInput::ImageInput(ReadOnlyFile& file) : file_(&file), size_(file.size()) {}

const std::uint8_t* ImageInput::read(std::uint64_t offset, std::size_t length) {
  if (offset > size_ || length > size_ - offset) return nullptr;
  if (memory_) return memory_ + offset;
  if (!file_ || failed()) return nullptr;
  if (offset >= windowStart_ && offset + length <= windowStart_ + window_.size())
    return window_.data() + (offset - windowStart_);
  const bool onward = offset == windowStart_ + window_.size();
  const std::size_t fetch = onward ? available(offset, std::max(length, kInputPiece)) : length;
  try {
    window_.resize(fetch);
  } catch (const std::bad_alloc&) {
    failure_ = L"Not enough memory to read the image.";
    return nullptr;
  }
  windowStart_ = offset;
  if (!file_->readAt(offset, window_.data(), fetch, &failure_)) {
    if (failure_.empty()) failure_ = L"The image file could not be read.";
    window_.clear();
    return nullptr;
  }
  fetched_ += fetch;
  return window_.data();
}

bool ImageInput::unchanged() const { return !file_ || file_->unchanged(); }

// --- block averaging -----------------------------------------------------------

namespace {

// Sums of 32 bits hold factor * factor * 255 * 255 up to this factor.
constexpr int kMaxAveragedFactor = 256;

// Adds (B * A, G * A, R * A, A) of each pixel to its sums. A product of two
// bytes fits 16 bits: four pixels are weighted in two registers of 16-bit
// lanes, then widened to be added.
void addWeighted(const std::uint8_t* bgra, std::uint32_t* sums, int width) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i alphaOne = _mm_set_epi16(1, 0, 0, 0, 1, 0, 0, 0);
  auto add = [&](std::uint32_t* at, __m128i words) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_add_epi32(first, _mm_unpacklo_epi16(words, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 4), _mm_add_epi32(second, _mm_unpackhi_epi16(words, zero)));
  };
  auto weigh = [&](__m128i pixels) {
    __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels, 0xFF), 0xFF);
    alpha = _mm_or_si128(_mm_and_si128(alpha, colourLanes), alphaOne);
    return _mm_mullo_epi16(pixels, alpha);
  };
  for (; x + 4 <= width; x += 4, bgra += 16, sums += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra));
    add(sums, weigh(_mm_unpacklo_epi8(bytes, zero)));
    add(sums + 8, weigh(_mm_unpackhi_epi8(bytes, zero)));
  }
#endif
  for (; x < width; ++x, bgra += 4, sums += 4) {
    const std::uint32_t a = bgra[3];
    for (int c = 0; c < 3; ++c) sums[c] += bgra[c] * a;
    sums[3] += a;
  }
}

}  // namespace

bool BlockAverager::begin(const DecodedRows& rows, std::wstring& reason) {
  factor_ = std::clamp(factor_, 1, kMaxAveragedFactor);
  width_ = rows.width;
  height_ = rows.height;
  outWidth_ = (width_ + factor_ - 1) / factor_;
  const int outHeight = (height_ + factor_ - 1) / factor_;
  try {
    sums_.assign(std::size_t(width_) * 4, 0u);
    row_.assign(std::size_t(outWidth_) * 4, 0u);
  } catch (const std::bad_alloc&) {
    reason = L"Not enough memory to reduce the image.";
    return false;
  }
  return next_.begin(DecodedRows{outWidth_, outHeight, rows.sourceWidth, rows.sourceHeight,
                                 rows.coverWidth / factor_, rows.coverHeight / factor_},
                     reason);
}

void BlockAverager::addRow(const std::uint8_t* bgra) {
  if (rowsSeen_ >= height_) return;
  ++rowsSeen_;
  addWeighted(bgra, sums_.data(), width_);
  if (++rowsGathered_ == factor_ || rowsSeen_ == height_) emit();
}

// Colour is the alpha-weighted mean, alpha the plain mean, both rounded. The
// quotients are taken in double, exactly: a quotient short of a whole number
// falls short of it by at least 1 / 2^24, far above a double's error there.
void BlockAverager::emit() {
  const std::uint32_t* pixel = sums_.data();
  for (int block = 0; block < outWidth_; ++block) {
    const int pixels = std::min(factor_, width_ - block * factor_);
    std::uint32_t total[4] = {0, 0, 0, 0};
    for (int i = 0; i < pixels; ++i, pixel += 4)
      for (int c = 0; c < 4; ++c) total[c] += pixel[c];
    const std::uint32_t count = std::uint32_t(pixels) * std::uint32_t(rowsGathered_);
    std::uint8_t* out = &row_[std::size_t(block) * 4];
    const double alpha = total[3], half = total[3] / 2;
    for (int c = 0; c < 3; ++c)
      out[swapRedBlue_ ? 2 - c : c] = total[3] ? std::uint8_t((total[c] + half) / alpha) : 0;
    out[3] = std::uint8_t((total[3] + count / 2) / count);
  }
  std::fill(sums_.begin(), sums_.end(), 0u);
  rowsGathered_ = 0;
  next_.addRow(row_.data());
}

}  // namespace vk::platform
