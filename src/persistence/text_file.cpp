// The text-file writer every writer of the studio (project, OBJ, glTF) uses.
#include "persistence/json.h"
#include "platform/file_io.h"

namespace vk {

bool writeTextFile(const std::wstring& path, const std::string& text) {
  return !path.empty() && writeFileAtomically(path, text);
}

}  // namespace vk
