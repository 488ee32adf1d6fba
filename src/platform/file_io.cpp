// The file helpers of file_io.h: atomic replacement through a temporary
// sibling (and the sweep of siblings a killed writer left), whole and partial
// reads of regular files, and quiet status queries.
#include "platform/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "platform/kernel.h"

namespace vk {

namespace {

void setReason(std::wstring* reason, const std::wstring& text) {
  if (reason) *reason = text;
}

std::wstring errnoText(int error) { return utf8ToWide(std::generic_category().message(error)); }

std::wstring describe(const std::wstring& what, const std::filesystem::path& path, int error) {
  return what + L" \"" + wideFromPath(path) + L"\": " + errnoText(error);
}

// Temporary siblings are named ".vkw-<hash of the target's name>-<pid>-<n>.tmp":
// short whatever the target's length (a 255-byte name still leaves room),
// and recognisable per target, so a later save can sweep what a killed
// process left behind. Earlier builds used "." + name + ".tmp-<pid>-<n>-<n>".
constexpr std::string_view kTempPrefix = ".vkw-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string targetNameHash(const std::filesystem::path& target) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  const std::string name = target.filename().native();
  for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = kHex[hash & 15];
  return text;
}

// A name no other writer in this or another process uses at the same time;
// O_EXCL settles any remaining collision.
std::filesystem::path temporarySibling(const std::filesystem::path& target) {
  static std::atomic<unsigned long> counter{0};
  std::string name(kTempPrefix);
  name.append(targetNameHash(target)).append("-").append(std::to_string(::getpid()));
  name.append("-").append(std::to_string(counter.fetch_add(1))).append(kTempSuffix);
  return target.parent_path() / name;
}

// Reads "<digits>" followed by `end` at `at`; moves past both.
bool readNumber(std::string_view text, std::size_t& at, char end, unsigned long long& value) {
  const std::size_t first = at;
  value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - first < 19) {
    value = value * 10 + static_cast<unsigned>(text[at++] - '0');
  }
  if (at == first || at >= text.size() || text[at] != end) return false;
  ++at;
  return true;
}

// The writing process of a temporary sibling of `target`, when `name` is one.
bool temporaryOwner(std::string_view name, const std::filesystem::path& target, unsigned long long& pid) {
  unsigned long long ignored = 0;
  std::size_t at = 0;
  const std::string hashed = std::string(kTempPrefix) + targetNameHash(target) + "-";
  if (name.starts_with(hashed) && name.ends_with(kTempSuffix)) {
    at = hashed.size();
    const std::string_view numbers = name.substr(0, name.size() - kTempSuffix.size() + 1);
    return readNumber(numbers, at, '-', pid) && readNumber(numbers, at, '.', ignored) &&
           at == numbers.size();
  }
  const std::string legacy = "." + target.filename().native() + ".tmp-";
  if (!name.starts_with(legacy)) return false;
  const std::string numbers = std::string(name.substr(legacy.size())) + "-";
  at = 0;
  return readNumber(numbers, at, '-', pid) && readNumber(numbers, at, '-', ignored) &&
         readNumber(numbers, at, '-', ignored) && at == numbers.size();
}

// Removes temporary siblings of `target` whose writer is gone (this process
// writes one target at a time, so its own are stale too). A running writer's
// file is kept.
void removeStaleTemporaries(const std::filesystem::path& target) {
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    unsigned long long pid = 0;
    if (!temporaryOwner(it->path().filename().native(), target, pid)) continue;
    const bool ownerGone = pid == static_cast<unsigned long long>(::getpid()) || pid > 0x7FFFFFFFull ||
                           (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
    std::error_code kindError;
    if (ownerGone && it->symlink_status(kindError).type() == std::filesystem::file_type::regular) {
      std::error_code ignored;
      std::filesystem::remove(it->path(), ignored);
    }
  }
}

const wchar_t* entryKindName(mode_t mode) {
  if (S_ISDIR(mode)) return L"a folder";
  if (S_ISCHR(mode)) return L"a character device";
  if (S_ISBLK(mode)) return L"a block device";
  if (S_ISFIFO(mode)) return L"a FIFO";
  if (S_ISSOCK(mode)) return L"a socket";
  return L"not a regular file";
}

// `wanted` ends the sentence with what a writer or reader needs there.
std::wstring notAFileReason(const std::filesystem::path& path, mode_t mode,
                            const wchar_t* wanted = L"not a file that can be replaced") {
  return L"\"" + wideFromPath(path) + L"\" is " + entryKindName(mode) + L", " + wanted + L".";
}

// The file a write to `target` replaces: links are followed to the entry
// they name (a dangling link names the file to create), and anything but a
// regular file or a missing entry is refused, so a save never replaces a
// device, FIFO, socket or folder.
bool resolveWriteTarget(std::filesystem::path target, std::filesystem::path& resolved, std::wstring& reason) {
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
      if (errno != ENOENT) {
        reason = describe(L"Could not write", target, errno);
        return false;
      }
      resolved = target;  // a missing folder is reported when the temporary file is made
      return true;
    }
    if (S_ISLNK(info.st_mode)) {
      std::error_code ec;
      const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
      if (ec) {
        reason = describe(L"Could not follow the link", target, ec.value());
        return false;
      }
      target = link.is_absolute() ? link : target.parent_path() / link;
      continue;
    }
    if (!S_ISREG(info.st_mode)) {
      reason = notAFileReason(target, info.st_mode);
      return false;
    }
    resolved = target;
    return true;
  }
  reason = describe(L"Could not follow the link", target, ELOOP);
  return false;
}

struct TempFile {
  std::filesystem::path path;
  std::FILE* file = nullptr;
};

bool openTemporary(const std::filesystem::path& target, TempFile& temp, std::wstring& reason) {
  // Keep the permissions of the file being replaced.
  mode_t mode = 0666;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    mode = existing.st_mode & 07777;
  }
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path candidate = temporarySibling(target);
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      reason = describe(L"Could not create a temporary file beside", target, errno);
      return false;
    }
    if (mode != 0666) ::fchmod(fd, mode);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
      int error = errno;
      ::close(fd);
      std::error_code ignored;
      std::filesystem::remove(candidate, ignored);
      reason = describe(L"Could not open a temporary file beside", target, error);
      return false;
    }
    temp.path = candidate;
    temp.file = file;
    return true;
  }
  reason = L"Could not find a free temporary file name beside \"" + wideFromPath(target) + L"\".";
  return false;
}

void discard(TempFile& temp) {
  if (temp.file) std::fclose(temp.file);
  temp.file = nullptr;
  std::error_code ignored;
  std::filesystem::remove(temp.path, ignored);
}

// Flushes the temporary file to the disk, so a power cut after the rename
// finds the new content rather than an empty file.
int flushAndSync(std::FILE* file) {
  errno = 0;
  if (std::fflush(file) != 0 || std::ferror(file)) return errno != 0 ? errno : EIO;
  while (::fsync(::fileno(file)) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Makes the rename itself durable. Some file systems cannot sync a folder;
// the file is in place by then, so that is no failure.
void syncFolderOf(const std::filesystem::path& target) {
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::filesystem::path pathFromWide(const std::wstring& path) {
  return std::filesystem::path(wideToUtf8(path));
}

std::wstring wideFromPath(const std::filesystem::path& path) { return utf8ToWide(path.native()); }

bool writeFileAtomicallyStreamed(const std::wstring& target, const FileContentProducer& produce,
                                 std::wstring* reason) {
  if (target.empty()) {
    setReason(reason, L"No file name was given.");
    return false;
  }
  std::filesystem::path targetPath;
  std::wstring failure;
  if (!resolveWriteTarget(pathFromWide(target), targetPath, failure)) {
    setReason(reason, failure);
    return false;
  }
  TempFile temp;
  if (!openTemporary(targetPath, temp, failure)) {
    setReason(reason, failure);
    return false;
  }

  int writeError = 0;
  FileChunkSink sink = [&](const void* data, std::size_t size) {
    if (writeError != 0) return false;
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, temp.file) != size) {
      writeError = errno != 0 ? errno : EIO;
      return false;
    }
    return true;
  };
  bool produced = false;
  try {
    produced = produce(sink, failure);
  } catch (...) {
    // A throwing producer (allocation failure) must not leave the temp file.
    produced = false;
    if (failure.empty()) failure = L"The file content could not be produced.";
  }
  if (!produced || writeError != 0) {
    discard(temp);
    if (writeError != 0) failure = describe(L"Could not write", targetPath, writeError);
    if (failure.empty()) failure = L"The file content could not be produced.";
    setReason(reason, failure);
    return false;
  }
  if (const int error = flushAndSync(temp.file); error != 0) {
    discard(temp);
    setReason(reason, describe(L"Could not write", targetPath, error));
    return false;
  }
  std::FILE* file = temp.file;
  temp.file = nullptr;
  if (std::fclose(file) != 0) {
    int error = errno != 0 ? errno : EIO;
    discard(temp);
    setReason(reason, describe(L"Could not finish writing", targetPath, error));
    return false;
  }
  // The entry may have changed while the content was produced.
  struct stat now {};
  if (::lstat(targetPath.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
    discard(temp);
    setReason(reason, notAFileReason(targetPath, now.st_mode));
    return false;
  }
  if (::rename(temp.path.c_str(), targetPath.c_str()) != 0) {
    const int error = errno;
    discard(temp);
    setReason(reason, describe(L"Could not replace", targetPath, error));
    return false;
  }
  syncFolderOf(targetPath);
  removeStaleTemporaries(targetPath);
  return true;
}

bool writeFileAtomically(const std::wstring& target, std::string_view bytes, std::wstring* reason) {
  return writeFileAtomicallyStreamed(
      target,
      [bytes](const FileChunkSink& sink, std::wstring&) {
        return sink(bytes.data(), bytes.size());
      },
      reason);
}

namespace {

std::uint64_t writeTimeOf(const struct stat& info) {
  if (info.st_mtim.tv_sec < 0) return 0;
  return static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
         static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
}

std::wstring changedReason(const std::wstring& path) {
  return L"\"" + path + L"\" changed while it was being read.";
}

}  // namespace

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool ReadOnlyFile::open(const std::wstring& path, std::uint64_t maxBytes, std::wstring* reason) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_ = path;
  const std::filesystem::path filePath = pathFromWide(path);
  // Anything but a regular file is refused before it is opened, since opening
  // a device can act on it; non-blocking still, so a FIFO put in the file's
  // place since cannot hang the caller, and what was opened is tested again.
  struct stat info {};
  if (::stat(filePath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    setReason(reason, notAFileReason(filePath, info.st_mode, L"not a regular file"));
    return false;
  }
  const int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    setReason(reason, describe(L"Could not open", filePath, errno));
    return false;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    setReason(reason, notAFileReason(filePath, info.st_mode, L"not a regular file"));
    return false;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  writeTime_ = writeTimeOf(info);
  if (size_ > maxBytes) {
    ::close(fd);
    setReason(reason, L"\"" + path + L"\" is larger than the " + std::to_wstring(maxBytes) +
                          L" bytes allowed.");
    return false;
  }
  fd_ = fd;
  return true;
}

bool ReadOnlyFile::readAt(std::uint64_t offset, void* out, std::size_t length, std::wstring* reason) {
  auto* bytes = static_cast<char*>(out);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      setReason(reason, describe(L"Could not read", pathFromWide(path_), errno));
      return false;
    }
    if (got == 0) {
      setReason(reason, changedReason(path_));
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool ReadOnlyFile::unchanged() const {
  struct stat info {};
  return fd_ >= 0 && ::fstat(fd_, &info) == 0 && static_cast<std::uint64_t>(info.st_size) == size_ &&
         writeTimeOf(info) == writeTime_;
}

bool readFileBytes(const std::wstring& path, std::string& out, std::uint64_t maxBytes,
                   std::wstring* reason) {
  out.clear();
  ReadOnlyFile file;
  if (!file.open(path, maxBytes, reason)) return false;
  try {
    out.resize(static_cast<std::size_t>(file.size()));
  } catch (...) {
    setReason(reason, L"Not enough memory to read \"" + path + L"\".");
    return false;
  }
  if (!file.readAt(0, out.data(), out.size(), reason)) {
    out.clear();
    return false;
  }
  // A file that grew while being read would otherwise come back cut short.
  char extra = 0;
  if (file.readAt(out.size(), &extra, 1, nullptr)) {
    out.clear();
    setReason(reason, changedReason(path));
    return false;
  }
  return true;
}

bool fileExists(const std::wstring& path) { return fileStatus(path).exists; }

FileStatus fileStatus(const std::wstring& path) {
  FileStatus status;
  if (path.empty()) return status;
  struct stat info {};
  if (::stat(pathFromWide(path).c_str(), &info) != 0) return status;
  status.exists = true;
  status.regular = S_ISREG(info.st_mode);
  if (status.regular) status.size = static_cast<std::uint64_t>(info.st_size);
  status.writeTime = writeTimeOf(info);
  return status;
}

std::uint64_t fileWriteTime(const std::wstring& path) { return fileStatus(path).writeTime; }

}  // namespace vk
