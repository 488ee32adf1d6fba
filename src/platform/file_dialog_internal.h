// The file dialog's filter rules, open to tests.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vk::platform {

struct FileFilter {
  std::wstring label;
  std::wstring patterns;  // ';'-separated
};

// (label, patterns) pairs of a double-NUL-terminated filter string; a label
// without patterns ends the list.
std::vector<FileFilter> parseFilters(LPCWSTR filter);
// True when `name` matches one of the ';'-separated patterns ('*' and '?';
// ASCII letters compared without case; "*.*" matches every name).
bool matchesFilter(const std::wstring& name, const std::wstring& patterns);

}  // namespace vk::platform
