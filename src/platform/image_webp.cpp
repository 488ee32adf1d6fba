// WebP through libwebp. The data is held whole while it decodes (a lossy
// image's partitions are read side by side), and so is the lossless
// decoder's own copy of the image (its back references reach anywhere
// before), the lossy decoder's alpha plane, and the output, which libwebp
// writes whole before the rows are handed on. What that comes to is weighed
// against the decode's bound before anything is decoded.
#include <webp/decode.h>

#include <algorithm>

#include "platform/image_internal.h"

namespace vk::platform {

namespace {

// What a decode of the data to an output of factor `factor` holds at once.
std::uint64_t webpHeldBytes(const WebPBitstreamFeatures& features, std::uint64_t dataBytes,
                            int factor) {
  const std::uint64_t pixels = std::uint64_t(features.width) * std::uint64_t(features.height);
  const std::uint64_t output = std::uint64_t((features.width + factor - 1) / factor) *
                               std::uint64_t((features.height + factor - 1) / factor) * 4;
  // Lossless (and a format libwebp does not tell) keeps four bytes a pixel;
  // lossy keeps one for alpha.
  const std::uint64_t decoder = features.format != 1 ? 4 * pixels : features.has_alpha ? pixels : 0;
  return dataBytes + output + decoder;
}

}  // namespace

bool decodeWebP(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
                std::wstring& reason) {
  if (input.size() > kImageDecodeByteLimit) {
    reason = L"The WebP file is larger than the " + std::to_wstring(kImageDecodeByteLimit >> 20) +
             L" MiB its decoding may hold.";
    return false;
  }
  const std::size_t size = std::size_t(input.size());
  const std::uint8_t* data = input.read(0, size);
  WebPDecoderConfig config;
  if (!data || !WebPInitDecoderConfig(&config) ||
      WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) {
    reason = input.failed() ? input.failure() : L"The WebP image is damaged or truncated.";
    return false;
  }
  const WebPBitstreamFeatures& features = config.input;
  if (features.has_animation) {
    reason = L"Animated WebP images are not supported.";
    return false;
  }
  if (!imageSizeAllowed(features.width, features.height, reason)) return false;
  // Reduced by the scaling decoder above the request's size, and further
  // when the full size would not fit the bound (the lossless decoder's copy
  // stays whole whatever the output).
  int scaling = reductionFactor(features.width, features.height, request);
  if (webpHeldBytes(features, size, scaling) > kImageDecodeByteLimit) {
    ImageDecodeRequest any = request;
    any.reduceAbovePixels = 0;
    scaling = reductionFactor(features.width, features.height, any);
  }
  if (webpHeldBytes(features, size, scaling) > kImageDecodeByteLimit) {
    reason = L"The WebP image is " + std::to_wstring(features.width) + L" x " +
             std::to_wstring(features.height) + L" pixels, more than its decoding may hold in " +
             std::to_wstring(kImageDecodeByteLimit >> 20) + L" MiB.";
    return false;
  }
  if (!admitImage(features.width, features.height, request, reason)) return false;
  // The scaling decoder averages the whole source into the smaller size, so
  // its result covers the source exactly.
  const int width = (features.width + scaling - 1) / scaling;
  const int height = (features.height + scaling - 1) / scaling;
  if (!sink.begin(DecodedRows{width, height, features.width, features.height, double(width),
                              double(height)},
                  reason)) {
    return false;
  }
  ImageArgb decoded;
  if (!allocateImage(decoded, width, height, reason)) return false;
  // Little-endian 0xAARRGGBB words are the bytes B, G, R, A.
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = reinterpret_cast<std::uint8_t*>(decoded.pixels.data());
  config.output.u.RGBA.stride = width * 4;
  config.output.u.RGBA.size = decoded.pixels.size() * 4;
  if (scaling > 1) {
    config.options.use_scaling = 1;
    config.options.scaled_width = width;
    config.options.scaled_height = height;
  }
  const VP8StatusCode status = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    reason = L"The WebP image is damaged or truncated.";
    return false;
  }
  for (int y = 0; y < height; ++y) {
    sink.addRow(reinterpret_cast<const std::uint8_t*>(&decoded.pixels[std::size_t(y) * width]));
  }
  return true;
}

}  // namespace vk::platform
