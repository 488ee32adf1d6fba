// The text-file writer every writer of the studio (project, OBJ, glTF) uses.
#include "persistence/json.h"
#include "platform/file_io.h"

namespace vk {

bool writeTextFile(const std::wstring& path, const std::string& text, std::wstring* reason) {
  return writeFileAtomically(path, text, reason);
}

}  // namespace vk
