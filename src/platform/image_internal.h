// Shared pieces of the image codecs (never included outside src/platform).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_io.h"
#include "platform/image.h"

namespace vk::platform {

// The size limit every decoder applies to the header's dimensions.
bool imageSizeAllowed(long long width, long long height, std::wstring& reason);
// Sizes `image` for width x height pixels; false (with a reason) when the
// memory is not available.
bool allocateImage(ImageArgb& image, int width, int height, std::wstring& reason);
std::wstring wideFromMessage(const char* message);

// How a library-driven decode ended: Failed is a library error (its message
// is reported), Refused already carries our own reason.
enum class DecodeStep { Done, Failed, Refused };
bool finishDecode(DecodeStep step, const wchar_t* format, const char* libraryMessage,
                  ImageArgb& out, std::wstring& reason);

bool decodePng(const std::uint8_t* data, std::size_t size, ImageArgb& out, std::wstring& reason);
bool decodeJpeg(const std::uint8_t* data, std::size_t size, ImageArgb& out, std::wstring& reason);
bool decodeWebP(const std::uint8_t* data, std::size_t size, ImageArgb& out, std::wstring& reason);
// BMP and TGA.
bool decodeStbImage(const std::uint8_t* data, std::size_t size, ImageFormat format, ImageArgb& out,
                    std::wstring& reason);
bool looksLikeTga(const std::uint8_t* data, std::size_t size);

// Stream encoders used by the file encoders (and by the benchmarks).
bool writePngStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                    int stride, std::wstring& reason);
bool writeJpegStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                     int stride, int quality, std::wstring& reason);
bool jpegQualityValid(int quality, std::wstring& reason);
bool encoderArgumentsValid(const std::uint32_t* pixels, int width, int height, int stride,
                           std::wstring& reason);

}  // namespace vk::platform
