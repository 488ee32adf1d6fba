// What every importer shares: the size-capped file reader, the material an
// imported mesh starts from and the cleaning of Wavefront material names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/types.h"

namespace vk {

struct LimitedTextFile {
  std::string text;  // the bytes as read: no decoding, no line-end changes
  bool ok = false;
  // When the file could not be read whole: the path and the system's cause,
  // for a failure box's second paragraph; empty when refused by its size alone.
  std::wstring reason;
};

// Reads a whole regular file of at most maxBytes bytes without blocking (a
// folder, FIFO, device or socket is refused before it is opened), as the
// project open reads. Failures leave `error` with the text the import
// reports: the size limit, the read budget, or "could not be opened".
LimitedTextFile readTextFileLimited(const std::wstring& path, std::uint64_t maxBytes, std::wstring& error);

// RGB 168/184/205, roughness 0.48, metallic 0.05, "Imported OBJ Default",
// opaque, no emission, the six empty texture maps.
Material makeImportedObjDefaultMaterial();

// A "usemtl"/"newmtl" argument as a material name: trimmed, decoded from
// UTF-8, one line of at most 72 characters; "Imported MTL Material" if empty.
std::wstring sanitizeWavefrontMaterialName(std::string_view text);

}  // namespace vk
