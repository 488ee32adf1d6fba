// Resampling an image that arrives row by row, top-down: the separable
// bicubic filter of resizeImage (Catmull-Rom when enlarging, Mitchell when
// reducing, colour weighted by alpha, edges clamped), with its weights, its
// order of summation and its rounding, so the result is the one resizeImage
// gives for the whole image, bit for bit. Each row is filtered across as it
// comes; only a few rows of the result's width are kept.
//
// Sections:
//   - The kernels and the weights of one axis
//   - RowResampler
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/image_internal.h"

namespace vk::platform {

// ---- The kernels and the weights of one axis -------------------------------

namespace {

// Both kernels reach two pixels (of the smaller side) from their centre.
constexpr float kSupport = 2.0f;
// Added to every alpha before colour is weighted by it, so that colour under
// a transparent pixel is not lost (it leaves no trace after rounding).
constexpr float kAlphaEpsilon = 1.0f / (1 << 20) / (1 << 20) / (1 << 20) / (1 << 20);

float catmullRom(float x) {
  x = std::fabs(x);
  if (x < 1.0f) return 1 - x * x * (2.5f - 1.5f * x);
  if (x < 2.0f) return 2 - x * (4 + x * (0.5f * x - 2.5f));
  return 0.0f;
}

float mitchell(float x) {
  x = std::fabs(x);
  if (x < 1.0f) return (16 + x * x * (21 * x - 36)) / 18;
  if (x < 2.0f) return (32 + x * (-60 + x * (36 - 7 * x))) / 18;
  return 0.0f;
}

// The floor of a float plus or minus a half, taken in double as the
// resampler always has.
int floorHalfUp(float value) { return int(std::floor(double(value) + 0.5)); }
int floorHalfDown(float value) { return int(std::floor(double(value) - 0.5)); }

}  // namespace

// Enlarging: one contributor per output pixel, naming the input pixels it
// gathers. Reducing: one per input pixel (margins included), naming the
// output pixels it spreads to. `coefficients` holds `width` weights per
// contributor; a contributor of one more weight spills into the next group,
// which is computed after it, so groups are filled in order.
bool AxisFilter::build(int inputSize, int outputSize, float cover) {
  inputSize_ = inputSize;
  outputSize_ = outputSize;
  scale = (float(outputSize) / float(inputSize)) / cover;
  upsample = scale > 1;
  width = int(std::ceil(kSupport * 2));
  const int pixelWidth =
      upsample ? int(std::ceil(kSupport * 2)) : int(std::ceil(kSupport * 2 / scale));
  margin = pixelWidth / 2;
  const int count = upsample ? outputSize : inputSize + margin * 2;
  try {
    contributors.assign(std::size_t(count), Contributor{});
    coefficients.assign((std::size_t(count) + 1) * std::size_t(width) + 1, 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (upsample) {
    const float radius = kSupport * scale;
    for (int n = 0; n < count; ++n) {
      int first = 0, last = 0;
      float centre = 0;
      upsampleRange(n, radius, first, last, centre);
      float* group = &coefficients[std::size_t(width) * std::size_t(n)];
      Contributor& c = contributors[std::size_t(n)];
      c.n0 = first;
      c.n1 = last;
      float total = 0;
      for (int i = 0; i <= last - first; ++i) {
        const float inCentre = float(i + first) + 0.5f;
        group[i] = catmullRom(centre - inCentre);
        if (i == 0 && !group[i]) {  // a leading zero weight moves the start
          c.n0 = ++first;
          --i;
          continue;
        }
        total += group[i];
      }
      const float normal = 1 / total;
      for (int i = 0; i <= last - first; ++i) group[i] *= normal;
      for (int i = last - first; i >= 0; --i) {
        if (group[i]) break;
        c.n1 = c.n0 + i - 1;
      }
    }
    return true;
  }
  const float radius = kSupport / scale;
  for (int n = 0; n < count; ++n) {
    int first = 0, last = 0;
    float centre = 0;
    downsampleRange(n - margin, radius, first, last, centre);
    float* group = &coefficients[std::size_t(width) * std::size_t(n)];
    Contributor& c = contributors[std::size_t(n)];
    c.n0 = first;
    c.n1 = last;
    for (int i = 0; i <= last - first; ++i) {
      const float outCentre = float(i + first) + 0.5f;
      group[i] = mitchell(outCentre - centre) * scale;
    }
    for (int i = last - first; i >= 0; --i) {
      if (group[i]) break;
      c.n1 = c.n0 + i - 1;
    }
  }
  normalizeDownsample();
  return true;
}

void AxisFilter::upsampleRange(int n, float radius, int& first, int& last, float& centre) const {
  const float outCentre = float(n) + 0.5f;
  const float lower = (outCentre - radius) / scale;
  const float upper = (outCentre + radius) / scale;
  centre = outCentre / scale;
  first = floorHalfUp(lower);
  last = floorHalfDown(upper);
}

void AxisFilter::downsampleRange(int n, float radius, int& first, int& last, float& centre) const {
  const float inCentre = float(n) + 0.5f;
  const float lower = (inCentre - radius) * scale;
  const float upper = (inCentre + radius) * scale;
  centre = inCentre * scale;
  first = floorHalfUp(lower);
  last = floorHalfDown(upper);
}

// Each output pixel's weights are scaled to sum to one; then each
// contributor drops its leading zero weights and the outputs before the
// first, and stops at the last output.
void AxisFilter::normalizeDownsample() {
  const int count = int(contributors.size());
  for (int i = 0; i < outputSize_; ++i) {
    float total = 0;
    for (int j = 0; j < count; ++j) {
      const Contributor& c = contributors[std::size_t(j)];
      if (i >= c.n0 && i <= c.n1) total += coefficients[std::size_t(width) * j + (i - c.n0)];
      else if (i < c.n0) break;
    }
    const float normal = 1 / total;
    for (int j = 0; j < count; ++j) {
      const Contributor& c = contributors[std::size_t(j)];
      if (i >= c.n0 && i <= c.n1) coefficients[std::size_t(width) * j + (i - c.n0)] *= normal;
      else if (i < c.n0) break;
    }
  }
  for (int j = 0; j < count; ++j) {
    Contributor& c = contributors[std::size_t(j)];
    float* group = &coefficients[std::size_t(width) * j];
    int skip = 0;
    while (skip < width && group[skip] == 0) ++skip;
    c.n0 += skip;
    while (c.n0 < 0) {
      ++c.n0;
      ++skip;
    }
    const int kept = std::min(width, c.n1 - c.n0 + 1);
    for (int i = 0; i < kept && i + skip < width; ++i) group[i] = group[i + skip];
  }
  for (Contributor& c : contributors) c.n1 = std::min(c.n1, outputSize_ - 1);
}

// ---- RowResampler ----------------------------------------------------------

void premultiplyRow(const std::uint8_t* bgra, int width, int left, int right, float* padded) {
  // Each byte's value over 255, as the division gives it.
  static const auto kUnit = [] {
    std::array<float, 256> unit{};
    for (int i = 0; i < 256; ++i) unit[std::size_t(i)] = float(i) / 255.0f;
    return unit;
  }();
  float* out = padded + std::size_t(left) * 4;
  for (std::size_t i = 0, n = std::size_t(width) * 4; i < n; i += 4) {
    const float alpha = kUnit[bgra[i + 3]] + kAlphaEpsilon;
    out[i] = kUnit[bgra[i]] * alpha;
    out[i + 1] = kUnit[bgra[i + 1]] * alpha;
    out[i + 2] = kUnit[bgra[i + 2]] * alpha;
    out[i + 3] = alpha;
  }
  for (int x = 0; x < left; ++x) std::memcpy(padded + std::size_t(x) * 4, out, 4 * sizeof(float));
  const float* last = out + std::size_t(width - 1) * 4;
  for (int x = 0; x < right; ++x)
    std::memcpy(out + (std::size_t(width) + x) * 4, last, 4 * sizeof(float));
}

bool RowResampler::start(int width, int height, double coverWidth, double coverHeight,
                         int outWidth, int outHeight, std::wstring& reason) {
  width_ = width;
  height_ = height;
  outWidth_ = outWidth;
  outHeight_ = outHeight;
  rowsSeen_ = nextOut_ = opened_ = 0;
  bool ok = width >= 1 && height >= 1 && outWidth >= 1 && outHeight >= 1 &&
            outWidth <= kImageSideLimit && outHeight <= kImageSideLimit;
  if (!ok) {
    reason = L"The requested image size is out of range.";
    return false;
  }
  const auto part = [](double cover, int size) {
    return cover > 0 && cover < size ? float(cover / size) : 1.0f;
  };
  ok = across_.build(width, outWidth, part(coverWidth, width)) &&
       down_.build(height, outHeight, part(coverHeight, height));
  const std::size_t rowFloats = std::size_t(outWidth) * 4;
  if (ok) {
    // Reducing: output rows still gathering. Enlarging: filtered input rows
    // still to be gathered. Either way, the widest span one row needs.
    ringRows_ = 1;
    if (down_.upsample) {
      for (const AxisFilter::Contributor& c : down_.contributors)
        ringRows_ = std::max(ringRows_, clampRow(c.n1) - clampRow(c.n0) + 1);
    } else {
      const float radius = kSupport / down_.scale;
      for (int y = -down_.margin; y < height + down_.margin; ++y) {
        int first = 0, last = 0;
        float centre = 0;
        down_.downsampleRange(y, radius, first, last, centre);
        ringRows_ = std::max(ringRows_, std::min(last, outHeight - 1) - std::max(first, 0) + 1);
      }
    }
    try {
      ring_.assign(rowFloats * std::size_t(ringRows_), 0.0f);
      acrossRow_.assign(rowFloats, 0.0f);
      zero_.assign(rowFloats, 0.0f);
      ok = buildTaps() && allocateImage(out_, outWidth, outHeight, reason);
      if (ok) decoded_.assign((std::size_t(width) + padLeft_ + padRight_) * 4, 0.0f);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) {
    if (reason.empty()) reason = L"Not enough memory to resample the image.";
    *this = RowResampler{};
  }
  return ok;
}

int RowResampler::clampRow(int row) const { return std::clamp(row, 0, height_ - 1); }

float* RowResampler::ringRow(int index) {
  return &ring_[std::size_t(index % ringRows_) * std::size_t(outWidth_) * 4];
}

// Each output pixel sums its taps in the order of their input pixels, the
// order in which spreading each input pixel over its outputs would add them.
// The taps of one output are consecutive pixels (beyond the edges, the
// padding's copies of the edge pixel); a pixel skipped within the run gets a
// zero weight, which leaves every sum as it is.
bool RowResampler::buildTaps() {
  const int width = across_.width;
  std::vector<std::vector<std::pair<int, float>>> lists(static_cast<std::size_t>(outWidth_));
  if (across_.upsample) {
    for (int x = 0; x < outWidth_; ++x) {
      const AxisFilter::Contributor& c = across_.contributors[std::size_t(x)];
      for (int k = c.n0; k <= c.n1; ++k)
        lists[std::size_t(x)].push_back({k, across_.coefficients[std::size_t(width) * x + (k - c.n0)]});
    }
  } else {
    for (int x = 0; x < int(across_.contributors.size()); ++x) {
      const AxisFilter::Contributor& c = across_.contributors[std::size_t(x)];
      for (int k = c.n0; k <= c.n1; ++k)
        lists[std::size_t(k)].push_back(
            {x - across_.margin, across_.coefficients[std::size_t(width) * x + (k - c.n0)]});
    }
  }
  tapFirst_.assign(std::size_t(outWidth_), 0);
  tapOffset_.assign(std::size_t(outWidth_) + 1, 0);
  tapWeights_.clear();
  padLeft_ = padRight_ = 0;
  for (std::size_t x = 0; x < lists.size(); ++x) {
    const auto& list = lists[x];
    tapOffset_[x] = tapWeights_.size() / 4;
    if (list.empty()) continue;
    const int first = list.front().first, last = list.back().first;
    tapFirst_[x] = first;
    padLeft_ = std::max(padLeft_, -first);
    padRight_ = std::max(padRight_, last - (width_ - 1));
    std::size_t at = tapWeights_.size();
    tapWeights_.resize(at + std::size_t(last - first + 1) * 4, 0.0f);
    for (const auto& [pixel, w] : list)
      std::fill_n(&tapWeights_[at + std::size_t(pixel - first) * 4], 4, w);
  }
  tapOffset_[lists.size()] = tapWeights_.size() / 4;
  return true;
}

namespace {

// Four channels at once; each lane is the same float arithmetic as one
// channel alone (a product, then a sum), so results do not change.
typedef float Pixel4 __attribute__((vector_size(16)));

Pixel4 loadPixel(const float* p) {
  Pixel4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

void RowResampler::filterAcross(const float* decoded, float* out) const {
  for (std::size_t x = 0; x < std::size_t(outWidth_); ++x) {
    Pixel4 sum = {0.0f, 0.0f, 0.0f, 0.0f};
    const float* p = decoded + std::ptrdiff_t(tapFirst_[x]) * 4;
    const float* w = tapWeights_.data() + tapOffset_[x] * 4;
    const float* end = tapWeights_.data() + tapOffset_[x + 1] * 4;
#pragma GCC unroll 4
    for (; w != end; w += 4, p += 4) sum += loadPixel(p) * loadPixel(w);
    std::memcpy(out + x * 4, &sum, sizeof sum);
  }
}

// Colour divided by alpha again, each channel clamped to [0, 1] and rounded.
void RowResampler::emit(int row, float* sums) {
  std::uint8_t* target = reinterpret_cast<std::uint8_t*>(&out_.pixels[std::size_t(row) * outWidth_]);
  for (std::size_t i = 0, n = std::size_t(outWidth_) * 4; i < n; i += 4) {
    const float alpha = sums[i + 3];
    const float reciprocal = alpha ? 1.0f / alpha : 0;
    for (std::size_t c = 0; c < 4; ++c) {
      float value = c == 3 ? sums[i + c] : sums[i + c] * reciprocal;
      if (!(value >= 0)) value = 0;  // NaN too
      if (value > 1) value = 1;
      target[i + c] = std::uint8_t(int(value * 255.0f + 0.5));
    }
  }
}

void RowResampler::addRow(const std::uint8_t* bgra) {
  if (rowsSeen_ >= height_) return;
  premultiplyRow(bgra, width_, padLeft_, padRight_, decoded_.data());
  addDecodedRow(decoded_.data() + std::size_t(padLeft_) * 4);
}

void RowResampler::addDecodedRow(const float* decoded) {
  if (rowsSeen_ >= height_) return;
  const int row = rowsSeen_++;
  const std::size_t rowFloats = std::size_t(outWidth_) * 4;
  const bool last = row == height_ - 1;
  if (down_.upsample) {
    // Gathered: each output row sums the filtered input rows it reaches (the
    // edge rows standing in for those beyond), once the last has come.
    filterAcross(decoded, ringRow(row));
    for (; nextOut_ < outHeight_; ++nextOut_) {
      const AxisFilter::Contributor& c = down_.contributors[std::size_t(nextOut_)];
      if (!last && clampRow(c.n1) > row) break;
      std::fill(acrossRow_.begin(), acrossRow_.end(), 0.0f);
      const float* weights = &down_.coefficients[std::size_t(down_.width) * nextOut_];
      for (int k = c.n0; k <= c.n1; ++k) {
        const float w = weights[k - c.n0];
        const float* source = ringRow(clampRow(k));
        for (std::size_t i = 0; i < rowFloats; ++i) acrossRow_[i] += source[i] * w;
      }
      emit(nextOut_, acrossRow_.data());
    }
    return;
  }
  // Spread: each input row (the edge rows repeated into the margins) adds
  // its weight to the output rows it reaches; rows no later input reaches
  // are done.
  filterAcross(decoded, acrossRow_.data());
  const int firstLine = row == 0 ? -down_.margin : row;
  const int lastLine = last ? height_ + down_.margin - 1 : row;
  const float radius = kSupport / down_.scale;
  for (int line = firstLine; line <= lastLine; ++line) {
    int first = 0, lastOut = 0;
    float centre = 0;
    down_.downsampleRange(line, radius, first, lastOut, centre);
    if (lastOut < 0 || first >= outHeight_) continue;
    for (; nextOut_ < std::min(first, outHeight_); ++nextOut_) {
      emit(nextOut_, nextOut_ < opened_ ? ringRow(nextOut_) : zeroRow());
    }
    for (; opened_ <= std::min(lastOut, outHeight_ - 1); ++opened_) {
      if (opened_ < nextOut_) continue;
      float* fresh = ringRow(opened_);
      std::fill(fresh, fresh + rowFloats, 0.0f);
    }
    const AxisFilter::Contributor& c = down_.contributors[std::size_t(line + down_.margin)];
    const float* weights = &down_.coefficients[std::size_t(down_.width) * (line + down_.margin)];
    for (int k = c.n0; k <= c.n1; ++k) {
      const float w = weights[k - c.n0];
      float* sums = ringRow(k);
      for (std::size_t i = 0; i < rowFloats; ++i) sums[i] += acrossRow_[i] * w;
    }
  }
  if (!last) return;
  for (; nextOut_ < outHeight_; ++nextOut_) {
    emit(nextOut_, nextOut_ < opened_ ? ringRow(nextOut_) : zeroRow());
  }
}

float* RowResampler::zeroRow() {
  std::fill(zero_.begin(), zero_.end(), 0.0f);
  return zero_.data();
}

bool RowResampler::finish(ImageArgb& out) {
  if (out_.pixels.empty() || rowsSeen_ != height_ || nextOut_ != outHeight_) return false;
  out = std::move(out_);
  out_ = ImageArgb{};
  return true;
}

}  // namespace vk::platform
