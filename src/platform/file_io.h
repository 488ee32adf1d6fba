// File helpers every writer and reader of the studio goes through: wide
// paths, atomic replacement of a file, capped reads and quiet existence and
// time queries. None of them throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vk {

// Wide paths are converted through UTF-8, the file system's encoding here.
std::filesystem::path pathFromWide(const std::wstring& path);
std::wstring wideFromPath(const std::filesystem::path& path);

// Receives one chunk of the file's content; false when it could not be
// written (the producer should then stop and return false).
using FileChunkSink = std::function<bool(const void* data, std::size_t size)>;
// Produces the whole content through the sink. Returning false abandons the
// write; a non-empty reason set by the producer is reported as given.
using FileContentProducer = std::function<bool(const FileChunkSink& sink, std::wstring& reason)>;

// Writes to a uniquely named temporary file beside the target, syncs it, and
// renames it over the target only when every write, the sync and the close
// succeeded; then syncs the folder and removes temporary files of the same
// target that a killed writer left. A link as target is followed and kept; a
// target that is (or names) a device, FIFO, socket or folder is refused. On
// failure the temporary file is removed, an existing target is left
// untouched, and the reason names the system's cause ("No space left on
// device", "Read-only file system", "Permission denied", ...).
bool writeFileAtomically(const std::wstring& target, std::string_view bytes,
                         std::wstring* reason = nullptr);
bool writeFileAtomicallyStreamed(const std::wstring& target, const FileContentProducer& produce,
                                 std::wstring* reason = nullptr);

// Reads a whole regular file; files larger than maxBytes are refused before
// anything is read, and a file whose size changes while it is read is refused.
bool readFileBytes(const std::wstring& path, std::string& out, std::uint64_t maxBytes,
                   std::wstring* reason = nullptr);

// A regular file opened for reads at chosen offsets, refused as readFileBytes
// refuses; for readers that need only parts of a large file.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();
  bool open(const std::wstring& path, std::uint64_t maxBytes, std::wstring* reason = nullptr);
  std::uint64_t size() const { return size_; }
  // Exactly `length` bytes from `offset`; a file that has become shorter
  // since it was opened fails as having changed.
  bool readAt(std::uint64_t offset, void* out, std::size_t length, std::wstring* reason = nullptr);
  // False once the file's size or last write time differs from the opened one.
  bool unchanged() const;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t writeTime_ = 0;
  std::wstring path_;
};

// Errors (permissions, broken links) count as "missing".
bool fileExists(const std::wstring& path);

struct FileStatus {
  bool exists = false;  // any kind of entry
  bool regular = false;
  std::uint64_t size = 0;       // regular files only
  std::uint64_t writeTime = 0;  // nanoseconds since 1970; 0 when unknown
};
FileStatus fileStatus(const std::wstring& path);
// 0 when the entry is missing or its time cannot be read.
std::uint64_t fileWriteTime(const std::wstring& path);

}  // namespace vk
