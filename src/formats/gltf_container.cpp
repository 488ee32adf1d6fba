// glTF import bytes: whole-file reads under a limit, the GLB container walk
// and the buffers (GLB BIN chunk, base64 data URIs, external files read once).
//
// Sections:
//   - Whole-file reads and the GLB container
//   - Base64 and URIs
//   - Loading buffers
#include <array>
#include <cwctype>
#include <filesystem>
#include <map>

#include "formats/gltf_import.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "persistence/json.h"
#include "platform/file_io.h"
#include "platform/kernel.h"

namespace vk {

// ---- Whole-file reads and the GLB container ---------------------------------
namespace {

std::uint32_t readU32(std::string_view bytes, std::uint64_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool rootedPath(std::wstring_view path) {
  if (path.empty()) return false;
  if (path[0] == L'/' || path[0] == L'\\') return true;
  return path.size() >= 2 && path[1] == L':' && std::iswalpha(static_cast<wint_t>(path[0]));
}

std::wstring joinUnder(const std::wstring& base, const std::wstring& relative) {
  if (rootedPath(relative) || base.empty()) return relative;
  const wchar_t last = base.back();
  return (last == L'/' || last == L'\\') ? base + relative : base + L"/" + relative;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::wstring bufferIndexText(std::size_t i) { return std::to_wstring(i); }

}  // namespace

bool phase65IsGlbPath(const std::wstring& path, const std::wstring& suffix) {
  if (path.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const wchar_t a = path[path.size() - suffix.size() + i];
    if (std::towlower(static_cast<wint_t>(a)) != std::towlower(static_cast<wint_t>(suffix[i]))) return false;
  }
  return true;
}

std::shared_ptr<const std::string> phase65ReadBinaryFile(const std::wstring& path, std::uint64_t budget,
                                                         std::wstring& error) {
  const FileStatus status = fileStatus(path);
  if (status.regular && status.size > budget) {
    error = L"Phase 65 import blocked: file exceeds the safe size budget.";
    return nullptr;
  }
  auto bytes = std::make_shared<std::string>();
  std::wstring reason;
  if (!readFileBytes(path, *bytes, budget, &reason)) {
    // A file that grew past the budget since the size query is refused too.
    const FileStatus now = fileStatus(path);
    error = now.regular && now.size > budget
                ? L"Phase 65 import blocked: file exceeded the safe read budget."
                : textWithReason(L"Phase 65 import failed: file could not be opened.", reason);
    return nullptr;
  }
  return bytes;
}

bool phase65ReadGlbContainer(const std::shared_ptr<const std::string>& file, PendingGltfDocument& document,
                             std::wstring& error) {
  const std::string_view bytes = file ? std::string_view(*file) : std::string_view();
  const std::uint64_t size = bytes.size();
  if (size < 20 || bytes.substr(0, 4) != "glTF") {
    error = L"GLB import failed: invalid GLB header.";
    return false;
  }
  if (readU32(bytes, 4) != 2 || readU32(bytes, 8) > size) {
    error = L"GLB import failed: only glTF 2.0 binary containers are supported.";
    return false;
  }
  document.glbFile = file;
  std::uint64_t offset = 12;
  while (true) {
    // 64-bit sums: a length near 2^32 cannot wrap past the end test.
    const std::uint64_t length = offset + 4 <= size ? readU32(bytes, offset) : 0;
    const std::uint32_t type = offset + 8 <= size ? readU32(bytes, offset + 4) : 0;
    if (offset + 8 + length > size) {
      error = L"GLB import failed: chunk length exceeds file size.";
      return false;
    }
    if (type == 0x4E4F534Au) {
      std::string_view json = bytes.substr(offset + 8, length);
      while (!json.empty()) {
        const char c = json.back();
        if (c != '\0' && c != ' ' && c != '\n' && c != '\r' && c != '\t') break;
        json.remove_suffix(1);
      }
      document.jsonText.assign(json);
    } else if (type == 0x004E4942u) {
      document.glbBinOffset = offset + 8;
      document.glbBinSize = length;
      document.hasGlbBin = true;
    }
    offset += 8 + length;
    if (offset + 8 > size) break;
  }
  if (document.jsonText.empty()) {
    error = L"GLB import failed: no JSON chunk was found.";
    return false;
  }
  // The file is kept for its BIN chunk only, and whole only when that chunk is
  // most of it: a file of JSON is not held twice while it is parsed.
  if (!document.hasGlbBin) {
    document.glbFile = nullptr;
  } else if (document.glbBinSize < size / 2) {
    document.glbFile = std::make_shared<const std::string>(bytes.substr(document.glbBinOffset, document.glbBinSize));
    document.glbBinOffset = 0;
  }
  return true;
}

// ---- Base64 and URIs --------------------------------------------------------
namespace {

constexpr std::uint32_t kNotDigit = 0x80000000u;
// kDigits[k][c]: base64 digit c's six bits placed for position k of a
// quartet, or kNotDigit.
constexpr std::array<std::array<std::uint32_t, 256>, 4> kDigits = [] {
  std::array<std::array<std::uint32_t, 256>, 4> tables{};
  for (auto& table : tables) table.fill(kNotDigit);
  constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::uint32_t d = 0; d < 64; ++d) {
    const auto c = static_cast<unsigned char>(alphabet[d]);
    for (std::uint32_t k = 0; k < 4; ++k) tables[k][c] = d << (18 - 6 * k);
  }
  return tables;
}();

// Base64 digits in, bytes out: "=" ends the payload, anything outside the
// alphabet (white space included) is passed over.
class Base64Reader {
 public:
  // Every digit carries six bits, so the output never outgrows this.
  explicit Base64Reader(std::size_t textSize) : out_(textSize / 4 * 3 + 3, '\0') {}
  // False once the padding has been met.
  bool put(char c) {
    if (c == '=') return false;
    const std::uint32_t value = kDigits[3][static_cast<unsigned char>(c)];  // unshifted
    if (value & kNotDigit) return true;
    bits_ = (bits_ << 6) | value;
    pending_ += 6;
    if (pending_ >= 8) {
      pending_ -= 8;
      out_[size_++] = static_cast<char>((bits_ >> pending_) & 0xFF);
    }
    return true;
  }
  // put() for each byte of `run`: whole quartets of digits go through the
  // shifted tables three bytes at a time; anything else takes put().
  bool putRun(std::string_view run) {
    const auto* p = reinterpret_cast<const unsigned char*>(run.data());
    const std::size_t n = run.size();
    std::size_t i = 0;
    while (i < n) {
      if (pending_ == 0) {
        char* out = out_.data() + size_;
        while (i + 4 <= n) {
          const std::uint32_t v = kDigits[0][p[i]] | kDigits[1][p[i + 1]] | kDigits[2][p[i + 2]] | kDigits[3][p[i + 3]];
          if (v & kNotDigit) break;
          out[0] = static_cast<char>(v >> 16);
          out[1] = static_cast<char>(v >> 8);
          out[2] = static_cast<char>(v);
          out += 3;
          i += 4;
        }
        size_ = static_cast<std::size_t>(out - out_.data());
        if (i >= n) break;
      }
      if (!put(static_cast<char>(p[i++]))) return false;
    }
    return true;
  }
  std::string take() {
    out_.resize(size_);
    return std::move(out_);
  }

 private:
  std::string out_;
  std::size_t size_ = 0;
  std::uint32_t bits_ = 0;
  int pending_ = 0;
};

}  // namespace

std::string phase65ImportUriBase64(std::string_view text) {
  Base64Reader reader(text.size());
  reader.putRun(text);
  return reader.take();
}

std::string gltfJsonStringBase64(std::string_view raw) {
  Base64Reader reader(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::size_t slash = std::min(raw.find('\\', i), raw.size());
    if (!reader.putRun(raw.substr(i, slash - i))) break;
    i = slash;
    if (i >= raw.size()) break;
    char c = raw[i];
    if (i + 1 < raw.size()) {
      const char escaped = raw[++i];
      c = ' ';  // \n, \r, \t, \b, \f and the quote escapes carry no digit
      if (escaped == '/') c = '/';
      if (escaped == 'u' && i + 4 < raw.size()) {
        int code = 0;
        for (int k = 1; k <= 4 && code >= 0; ++k) {
          const int digit = hexValue(raw[i + static_cast<std::size_t>(k)]);
          code = digit < 0 ? -1 : code * 16 + digit;
        }
        if (code >= 0) {
          i += 4;
          if (code < 0x80) c = static_cast<char>(code);
        }
      }
    }
    if (!reader.put(c)) break;
  }
  return reader.take();
}

std::string percentDecodeUri(std::string_view uri, bool& hadNul) {
  hadNul = false;
  std::string out;
  out.reserve(uri.size());
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size()) {
      const int hi = hexValue(uri[i + 1]);
      const int lo = hexValue(uri[i + 2]);
      if (hi >= 0 && lo >= 0) {
        const char c = static_cast<char>(hi * 16 + lo);
        if (c == '\0') hadNul = true;
        out.push_back(c);
        i += 2;
        continue;
      }
    }
    out.push_back(uri[i]);
  }
  return out;
}

std::wstring gltfUriFileText(const std::wstring& baseDirectory, const std::wstring& uri) {
  const std::string raw = wideToUtf8(uri);
  bool hadNul = false;
  const std::string decoded = percentDecodeUri(raw, hadNul);
  if (hadNul) return {};
  const std::wstring decodedText = utf8ToWide(decoded);
  if (decoded == raw) return decodedText;
  // Writers that do not encode their URIs: a file literally named "%20.bin".
  if (!fileExists(joinUnder(baseDirectory, decodedText)) && fileExists(joinUnder(baseDirectory, uri))) return uri;
  return decodedText;
}

namespace {

// RFC 3986: a scheme is a letter, then letters, digits, "+", "-" or ".", then ":".
// A drive letter ("C:/") reads as one too, and is refused as well.
bool uriHasScheme(std::wstring_view uri) {
  if (uri.empty() || !isAsciiAlpha(uri[0])) return false;
  for (std::size_t i = 1; i < uri.size(); ++i) {
    const wchar_t c = uri[i];
    if (c == L':') return true;
    if (!isAsciiAlnum(c) && c != L'+' && c != L'-' && c != L'.') return false;
  }
  return false;
}

// Both canonical: compared element by element, so "/a/bc" is not under "/a/b".
bool pathIsUnder(const std::filesystem::path& path, const std::filesystem::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (p == path.end() || *p != *f) return false;
  }
  return true;
}

}  // namespace

GltfUriTarget resolveGltfUri(const std::wstring& baseDirectory, const std::wstring& uri) {
  GltfUriTarget target;
  if (uriHasScheme(uri)) {
    target.refusal = L"uses a scheme other than data:";
    return target;
  }
  target.text = gltfUriFileText(baseDirectory, uri);
  if (target.text.empty()) return target;  // a NUL inside: no file
  if (rootedPath(target.text)) {
    target.refusal = L"is an absolute path";
    return target;
  }
  // Decoded and with every link resolved, the file must lie in the glTF
  // file's folder or below it. Nothing can be read under a missing folder.
  std::error_code ec;
  const std::filesystem::path folder =
      std::filesystem::canonical(pathFromWide(baseDirectory.empty() ? L"." : baseDirectory), ec);
  if (ec) return target;
  const std::filesystem::path file = std::filesystem::weakly_canonical(folder / pathFromWide(target.text), ec);
  if (ec) return target;
  if (!pathIsUnder(file, folder)) {
    target.refusal = L"leads outside the glTF file's folder";
    return target;
  }
  target.path = wideFromPath(file);
  return target;
}

// ---- Loading buffers --------------------------------------------------------
void phase65LoadBuffers(PendingGltfDocument& document) {
  const JsonBracketTable table = buildJsonBracketTable(document.jsonText);
  loadGltfBuffers(document, indexJsonObject(document.jsonText, &table));
}

void loadGltfBuffers(PendingGltfDocument& document, const JsonObjectIndex& root) {
  auto binChunk = [&](PendingGltfBuffer& buffer) {
    buffer.owner = document.glbFile;
    buffer.offset = document.glbBinOffset;
    buffer.size = document.glbBinSize;
    buffer.loaded = true;
  };
  const auto array = findNestedArray(root, "buffers");
  if (!array) {
    if (!document.hasGlbBin || document.glbBinSize == 0) {
      addGltfWarning(document, L"No glTF buffers were declared; mesh data cannot be imported.");
    } else {
      PendingGltfBuffer buffer;
      binChunk(buffer);
      document.buffers.push_back(std::move(buffer));
    }
    return;
  }
  // Every resolved path is read once; all buffers naming it share the bytes.
  std::map<std::wstring, std::shared_ptr<const std::string>> files;
  std::uint64_t loadedBytes = 0;
  document.buffers.reserve(std::min<std::uint64_t>(document.declared.buffers, kGltfImportBufferLimit));
  // Each buffer object is walked once, in place: a data URI's payload is
  // passed over once on its way to the decoder.
  forEachJsonObjectElement(*array, [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"byteLength", "uri"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    double declaredLength = 0.0;
    std::optional<std::string_view> rawUri;
    const bool closed = members([&](const JsonMember& m) {
      switch (fields.match(m)) {
        case 0: jsonNumberValue(m, declaredLength); break;
        case 1: rawUri = jsonStringBody(m); break;
        default: break;
      }
    });
    if (!closed) return false;
    const std::size_t i = document.buffers.size();
    PendingGltfBuffer buffer;
    const std::uint64_t byteLength = jsonU64(declaredLength);
    const bool isData = rawUri && rawUri->substr(0, 5) == "data:";
    // A data URI's payload is decoded straight from the JSON text, its
    // escapes read as JSON: no wide copy of a large buffer is made.
    const std::size_t comma = isData ? rawUri->find(',') : std::string_view::npos;
    buffer.uri = isData ? jsonUnescapeToWide(rawUri->substr(0, std::min<std::size_t>(comma, 512)))
                        : rawUri ? jsonUnescapeToWide(*rawUri) : std::wstring();
    if (buffer.uri.empty() && i == 0 && document.hasGlbBin && document.glbBinSize > 0) {
      binChunk(buffer);
    } else if (isData) {
      auto decoded = std::make_shared<std::string>(
          gltfJsonStringBase64(comma == std::string_view::npos ? std::string_view() : rawUri->substr(comma + 1)));
      if (!decoded->empty() && loadedBytes + decoded->size() <= kGltfImportBufferByteLimit) {
        loadedBytes += decoded->size();
        buffer.size = decoded->size();
        buffer.owner = std::move(decoded);
        buffer.loaded = true;
      } else {
        addGltfWarning(document, L"Buffer " + bufferIndexText(i) + L" uses a data URI that could not be decoded.");
      }
    } else if (!buffer.uri.empty()) {
      const GltfUriTarget target = resolveGltfUri(document.baseDirectory, buffer.uri);
      if (!target.refusal.empty()) {
        // A buffer's bytes become mesh data that a save writes out: a file
        // from elsewhere on the machine must not become part of a project.
        document.blockedReason = L"buffer URI \"" + warningUri(buffer.uri) + L"\" " + target.refusal;
        return false;
      }
      const std::wstring& path = target.path;
      std::shared_ptr<const std::string> bytes;
      if (!path.empty()) {
        const auto known = files.find(path);
        if (known != files.end()) {
          bytes = known->second;
        } else {
          std::wstring ignored;
          const FileStatus status = fileStatus(path);
          if (status.regular && loadedBytes + status.size <= kGltfImportBufferByteLimit)
            bytes = phase65ReadBinaryFile(path, std::min<std::uint64_t>(kGltfImportBinFileByteLimit, kGltfImportBufferByteLimit - loadedBytes), ignored);
          if (bytes) loadedBytes += bytes->size();
          files.emplace(path, bytes);
        }
      }
      if (bytes) {
        buffer.owner = bytes;
        buffer.size = bytes->size();
        buffer.loaded = true;
      } else {
        addGltfWarning(document, L"Missing or unreadable external .bin buffer: " + warningUri(buffer.uri));
      }
    } else {
      addGltfWarning(document, L"Buffer " + bufferIndexText(i) +
                                  L" has no URI and no GLB BIN chunk was available.");
    }
    if (buffer.loaded && byteLength > 0 && buffer.size < byteLength)
      addGltfWarning(document, L"Buffer " + bufferIndexText(i) + L" is smaller than its declared byteLength.");
    document.buffers.push_back(std::move(buffer));
    return true;
  }, root.table);
}

}  // namespace vk
