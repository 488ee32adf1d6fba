// The project reader's texts: a text that a sanitizer cuts is cut while it is
// decoded, so the part the sanitizer drops is never built; a text kept whole
// is counted, with the copies the studio holds of it, before it is built.
#include <algorithm>

#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "persistence/json_unescape.h"
#include "persistence/project_internal.h"

namespace vk {
namespace {

// The body of the member's string, charged to the index's budget for at
// most `limit` characters (a body holds no more characters than bytes).
std::optional<std::string_view> chargedBody(const JsonObjectIndex& object, std::string_view key, size_t limit) {
  const auto body = findRawString(object, key);
  if (!body) return std::nullopt;
  if (object.budget && !object.budget->take(wideTextBytes(std::min<uint64_t>(limit, body->size())))) return "";
  return body;
}

// The first `limit` bytes of the body when each is one character the cut
// keeps as it stands (ASCII, no escape; with `singleLine` no control
// character either): the usual text, taken without walking it.
std::optional<std::string_view> plainHead(std::string_view body, size_t limit, bool singleLine) {
  const std::string_view head = body.substr(0, limit);
  const size_t plain = singleLine ? json_detail::nextSpecialByte<true, true>(head, 0)
                                  : json_detail::nextSpecialByte<true>(head, 0);
  if (plain != head.size()) return std::nullopt;
  return head;
}

// The first `limit` characters of the text that `keep` passes.
template <class Keep>
std::wstring findCut(const JsonObjectIndex& object, std::string_view key, size_t limit, const std::wstring& fallback,
                     bool singleLine, Keep keep) {
  const auto body = chargedBody(object, key, limit);
  if (!body) return fallback;
  if (const auto head = plainHead(*body, limit, singleLine)) return std::wstring(head->begin(), head->end());
  std::wstring text;
  if (limit == 0) return text;
  forEachJsonStringChar(*body, [&](char32_t c) {
    auto w = static_cast<wchar_t>(c);
    if (keep(w)) text.push_back(w);
    return text.size() < limit;
  });
  return text;
}

}  // namespace

std::wstring findCopiedText(const JsonObjectIndex& object, std::string_view key, uint64_t copies,
                            const std::wstring& fallback) {
  const auto body = findRawString(object, key);
  if (!body) return fallback;
  const json_detail::StringMeasure measure = json_detail::measureString(*body);
  const uint64_t bytes = wideTextBytes(measure.length);
  if (object.budget && !object.budget->take(bytes > UINT64_MAX / copies ? UINT64_MAX : copies * bytes)) return {};
  return json_detail::unescapeToWide(*body, measure);
}

std::wstring findSingleLine(const JsonObjectIndex& object, std::string_view key, size_t limit,
                            const std::wstring& fallback) {
  return findCut(object, key, limit, fallback, true, singleLineChar);
}

std::wstring findPrefix(const JsonObjectIndex& object, std::string_view key, size_t limit,
                        const std::wstring& fallback) {
  return findCut(object, key, limit, fallback, false, [](wchar_t&) { return true; });
}

std::wstring findTexturePath(const JsonObjectIndex& object, std::string_view key) {
  const auto body = chargedBody(object, key, kTexturePathCharLimit + 1);
  if (!body) return {};
  // Leading blanks are passed over; past the limit, the first character that
  // is no blank stands for all that follow, so the sanitizer cuts there as
  // it would have cut them, and a run of blanks to the end is trimmed.
  std::wstring path;
  forEachJsonStringChar(*body, [&](char32_t c) {
    const auto w = static_cast<wchar_t>(c);
    if (isTrimmedPathBlank(w) && (path.empty() || path.size() >= kTexturePathCharLimit)) return true;
    path.push_back(w);
    return path.size() <= kTexturePathCharLimit;
  });
  return sanitizeTexturePath(path);
}

}  // namespace vk
