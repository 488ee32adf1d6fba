#include "platform/file_io.h"

#include <fcntl.h>
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

// A name no other writer in this or another process uses at the same time;
// O_EXCL settles any remaining collision.
std::filesystem::path temporarySibling(const std::filesystem::path& target, unsigned attempt) {
  static std::atomic<unsigned long> counter{0};
  std::string name(1, '.');
  name.append(target.filename().native());
  name.append(".tmp-").append(std::to_string(::getpid()));
  name.append("-").append(std::to_string(counter.fetch_add(1)));
  name.append("-").append(std::to_string(attempt));
  return target.parent_path() / name;
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
    std::filesystem::path candidate = temporarySibling(target, attempt);
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
  std::filesystem::path targetPath = pathFromWide(target);
  // Replacing a symbolic link would turn it into a plain file; write where
  // it points instead.
  std::error_code linkError;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(targetPath, linkError))) {
    std::filesystem::path resolved = std::filesystem::weakly_canonical(targetPath, linkError);
    if (!linkError) targetPath = resolved;
  }
  std::wstring failure;
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
  errno = 0;
  if (std::fflush(temp.file) != 0 || std::ferror(temp.file)) {
    int error = errno != 0 ? errno : EIO;
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
  std::error_code ec;
  std::filesystem::rename(temp.path, targetPath, ec);
  if (ec) {
    discard(temp);
    setReason(reason, L"Could not replace \"" + target + L"\": " + utf8ToWide(ec.message()));
    return false;
  }
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

bool readFileBytes(const std::wstring& path, std::string& out, std::uint64_t maxBytes,
                   std::wstring* reason) {
  out.clear();
  const std::filesystem::path filePath = pathFromWide(path);
  // Non-blocking, so a FIFO under a texture's name cannot hang the caller;
  // anything but a regular file is refused below.
  int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    setReason(reason, describe(L"Could not open", filePath, errno));
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    setReason(reason, L"\"" + path + L"\" is not a regular file.");
    return false;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
  if (size > maxBytes) {
    ::close(fd);
    setReason(reason, L"\"" + path + L"\" is larger than the " + std::to_wstring(maxBytes) +
                          L" bytes allowed.");
    return false;
  }
  try {
    out.resize(static_cast<std::size_t>(size));
  } catch (...) {
    ::close(fd);
    setReason(reason, L"Not enough memory to read \"" + path + L"\".");
    return false;
  }
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t got = ::read(fd, out.data() + done, out.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      ::close(fd);
      out.clear();
      setReason(reason, describe(L"Could not read", filePath, error));
      return false;
    }
    if (got == 0) {
      // The file shrank while being read: what came back is no whole version of it.
      ::close(fd);
      out.clear();
      setReason(reason, L"\"" + path + L"\" changed while it was being read.");
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  // A file that grew while being read would otherwise come back cut short.
  char extra = 0;
  ssize_t more = ::read(fd, &extra, 1);
  ::close(fd);
  if (more > 0) {
    out.clear();
    setReason(reason, L"\"" + path + L"\" changed while it was being read.");
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
  if (info.st_mtim.tv_sec >= 0) {
    status.writeTime = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                       static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
  }
  return status;
}

std::uint64_t fileWriteTime(const std::wstring& path) { return fileStatus(path).writeTime; }

}  // namespace vk
