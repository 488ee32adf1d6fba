#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "image_test_support.h"
#include "test_temp_folder.h"

namespace {

using vktest::readAll;
using vktest::TempFolder;

TEST(FileIo, WideAndNativePathsRoundTripThroughUtf8) {
  TempFolder folder;
  const std::wstring name = L"caf\u00e9 \U0001F600 \u25CF.txt";
  const std::wstring path = vk::wideFromPath(folder.path) + L"/" + name;
  EXPECT_EQ(vk::pathFromWide(path).filename().string(),
            "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x97\x8F.txt");
  EXPECT_EQ(vk::wideFromPath(vk::pathFromWide(path)), path);
  ASSERT_TRUE(vk::writeFileAtomically(path, "hello"));
  EXPECT_EQ(readAll(path), "hello");
  EXPECT_TRUE(std::filesystem::exists(folder.path / vk::pathFromWide(name)));
}

TEST(FileIo, AtomicWriteCreatesAndReplacesWithoutLeftovers) {
  TempFolder folder;
  const std::wstring path = folder.file("settings.json");
  std::wstring reason;
  ASSERT_TRUE(vk::writeFileAtomically(path, "first", &reason)) << vk::wideToUtf8(reason);
  ASSERT_TRUE(vk::writeFileAtomically(path, std::string("sec\0ond", 7), &reason));
  EXPECT_EQ(readAll(path), std::string("sec\0ond", 7));
  ASSERT_TRUE(vk::writeFileAtomically(path, ""));
  EXPECT_EQ(readAll(path), "");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"settings.json"});

  // The streamed variant concatenates its chunks in order.
  ASSERT_TRUE(
      vk::writeFileAtomicallyStreamed(path, [](const vk::FileChunkSink& sink, std::wstring&) {
        std::string big(300000, 'x');
        return sink("ab", 2) && sink(big.data(), big.size()) && sink(nullptr, 0) && sink("c", 1);
      }));
  const std::string content = readAll(path);
  EXPECT_EQ(content.size(), 300003u);
  EXPECT_EQ(content.substr(0, 3), "abx");
  EXPECT_EQ(content.back(), 'c');
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"settings.json"});
}

TEST(FileIo, ReplacingKeepsTheTargetsPermissions) {
  TempFolder folder;
  const std::wstring path = folder.file("private.txt");
  ASSERT_TRUE(vk::writeFileAtomically(path, "a"));
  ASSERT_EQ(::chmod(vk::pathFromWide(path).c_str(), 0600), 0);
  ASSERT_TRUE(vk::writeFileAtomically(path, "b"));
  struct stat info {};
  ASSERT_EQ(::stat(vk::pathFromWide(path).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(FileIo, FailedWritesLeaveTheOldTargetByteIdentical) {
  TempFolder folder;
  const std::wstring path = folder.file("scene.json");
  const std::string original = "{\"objects\": []}\n";
  ASSERT_TRUE(vk::writeFileAtomically(path, original));

  // The producer gives up halfway with its own reason.
  std::wstring reason;
  EXPECT_FALSE(vk::writeFileAtomicallyStreamed(
      path,
      [](const vk::FileChunkSink& sink, std::wstring& why) {
        sink("partial", 7);
        why = L"encoder gave up";
        return false;
      },
      &reason));
  EXPECT_EQ(reason, L"encoder gave up");
  EXPECT_EQ(readAll(path), original);

  // A throwing producer is contained as well.
  reason.clear();
  EXPECT_FALSE(vk::writeFileAtomicallyStreamed(
      path,
      [](const vk::FileChunkSink& sink, std::wstring&) -> bool {
        sink("partial", 7);
        throw std::runtime_error("out of memory");
      },
      &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(readAll(path), original);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"scene.json"});
}

TEST(FileIo, UnwritableTargetsFailWithAReason) {
  TempFolder folder;
  std::wstring reason;
  // The target is a folder: the rename fails and the folder survives.
  std::filesystem::create_directory(folder.path / "out.png");
  std::filesystem::create_directory(folder.path / "out.png" / "keep");
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("out.png"), "data", &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder.path / "out.png" / "keep"));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.png"});

  // A missing folder, a file used as a folder, and an empty name.
  reason.clear();
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("missing/out.png"), "data", &reason));
  EXPECT_FALSE(reason.empty());
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("plain"), "x"));
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("plain/out.png"), "data"));
  EXPECT_FALSE(vk::writeFileAtomically(L"", "data", &reason));
}

TEST(FileIo, AFullDiskOrAFileForAFolderKeepsTheExistingFile) {
  TempFolder folder;
  const std::wstring path = folder.file("still.png");
  ASSERT_TRUE(vk::writeFileAtomically(path, "old image"));
  // The temporary file hits the size limit part-way: reported, and the old
  // file and the folder are as they were.
  std::wstring reason;
  EXPECT_EQ(vktest::writeUnderFileSizeLimit(4096, [&] {
              return vk::writeFileAtomically(path, std::string(1 << 20, 'n'), &reason) || reason.empty();
            }),
            "failed");
  EXPECT_EQ(readAll(path), "old image");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"still.png"});

  // The target's folder is a file (ENOTDIR): refused with a reason.
  reason.clear();
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("still.png/copy.png"), "new image", &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(readAll(path), "old image");
}

TEST(FileIo, WritingThroughASymbolicLinkKeepsTheLink) {
  TempFolder folder;
  const std::wstring real = folder.file("real.json");
  ASSERT_TRUE(vk::writeFileAtomically(real, "old"));
  std::filesystem::create_symlink("real.json", folder.path / "link.json");
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("link.json"), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path / "link.json"));
  EXPECT_EQ(readAll(real), "new");
}

mode_t entryType(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

TEST(FileIo, LinksAreWrittenThroughAndOnlyRegularFilesAreReplaced) {
  TempFolder folder;
  namespace fs = std::filesystem;
  // A chain of links, relative and absolute, ends at the file that is written.
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("real.json"), "old"));
  fs::create_directory(folder.path / "sub");
  fs::create_symlink("../real.json", folder.path / "sub" / "inner");
  fs::create_symlink(folder.path / "sub" / "inner", folder.path / "outer");
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("outer"), "new"));
  EXPECT_EQ(entryType(folder.path / "outer"), S_IFLNK);
  EXPECT_EQ(entryType(folder.path / "sub" / "inner"), S_IFLNK);
  EXPECT_EQ(readAll(folder.file("real.json")), "new");
  // A dangling link names the file to create; into a missing folder it fails.
  fs::create_symlink("made.json", folder.path / "dangling");
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("dangling"), "made"));
  EXPECT_EQ(entryType(folder.path / "dangling"), S_IFLNK);
  EXPECT_EQ(readAll(folder.file("made.json")), "made");
  fs::create_symlink("nowhere/x.json", folder.path / "lost");
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("lost"), "x"));
  fs::create_symlink("loop", folder.path / "loop");
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("loop"), "x"));

  // A FIFO, a character device node (the null device's numbers, made here),
  // a folder, and links to each: refused with the kind named, nothing replaced.
  ASSERT_EQ(::mkfifo((folder.path / "pipe").c_str(), 0600), 0);
  const bool deviceMade =
      ::mknod((folder.path / "device").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;
  if (!deviceMade) std::printf("note: mknod not allowed here, the device case is skipped\n");
  struct Case {
    const char* name;
    mode_t type;
    const wchar_t* kind;
  };
  std::vector<Case> cases = {{"pipe", S_IFIFO, L"a FIFO"}, {"sub", S_IFDIR, L"a folder"}};
  if (deviceMade) cases.push_back({"device", S_IFCHR, L"a character device"});
  for (const Case& c : cases) {
    const std::string link = std::string("to-") + c.name;
    fs::create_symlink(c.name, folder.path / link);
    for (const std::string& name : {std::string(c.name), link}) {
      std::wstring reason;
      EXPECT_FALSE(vk::writeFileAtomically(folder.file(name), "replaced", &reason)) << name;
      EXPECT_NE(reason.find(c.kind), std::wstring::npos) << vk::wideToUtf8(reason);
    }
    EXPECT_EQ(entryType(folder.path / c.name), c.type) << c.name;
    EXPECT_EQ(entryType(folder.path / link), S_IFLNK) << c.name;
  }
  EXPECT_EQ(folder.entries().size(), 10u + (deviceMade ? 2u : 0u));  // no temporary left

  // A component of the path that is a file: the system's reason is named.
  std::wstring reason;
  EXPECT_FALSE(vk::writeFileAtomically(folder.file("real.json/x"), "x", &reason));
  EXPECT_NE(reason.find(L"Not a directory"), std::wstring::npos) << vk::wideToUtf8(reason);
}

TEST(FileIo, ANameOfTheFullLengthLimitIsWritten) {
  TempFolder folder;
  for (std::size_t length : {242u, 250u, 255u}) {
    const std::string name = std::string(length - 5, 'n') + ".json";
    ASSERT_TRUE(vk::writeFileAtomically(folder.file(name), "first")) << length;
    std::wstring reason;
    ASSERT_TRUE(vk::writeFileAtomically(folder.file(name), "second", &reason)) << vk::wideToUtf8(reason);
    EXPECT_EQ(readAll(folder.file(name)), "second");
  }
  EXPECT_EQ(folder.entries().size(), 3u);
  std::wstring reason;
  EXPECT_FALSE(vk::writeFileAtomically(folder.file(std::string(256, 'n')), "x", &reason));
  EXPECT_NE(reason.find(L"File name too long"), std::wstring::npos) << vk::wideToUtf8(reason);
}

// Starts a writer of `path` in a child process that stops part-way: killed
// (its temporary file is left behind), or alive until the returned pid is killed.
pid_t writerStoppedPartWay(const std::wstring& path, bool dies) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    vk::writeFileAtomicallyStreamed(path, [&](const vk::FileChunkSink& sink, std::wstring&) {
      sink("part", 4);
      if (::write(ready[1], "r", 1) != 1) ::_exit(2);
      if (dies) ::_exit(0);
      ::pause();
      return false;
    });
    ::_exit(1);
  }
  char byte = 0;
  if (::read(ready[0], &byte, 1) != 1) return -1;
  ::close(ready[0]);
  ::close(ready[1]);
  if (dies) ::waitpid(child, nullptr, 0);
  return child;
}

TEST(FileIo, ASuccessfulSaveSweepsTheTemporariesKilledWritersLeftForThatTarget) {
  TempFolder folder;
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("scene.json"), "old"));
  ASSERT_GT(writerStoppedPartWay(folder.file("scene.json"), true), 0);
  ASSERT_GT(writerStoppedPartWay(folder.file("scene.json"), true), 0);
  ASSERT_GT(writerStoppedPartWay(folder.file("other.json"), true), 0);
  struct Stopper {
    pid_t pid;
    ~Stopper() {
      if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
    }
  } running{writerStoppedPartWay(folder.file("scene.json"), false)};
  ASSERT_GT(running.pid, 0);
  // Named the way earlier builds named them, by a process that is gone.
  { std::ofstream(folder.path / ".scene.json.tmp-2147483647-0-0") << "part"; }
  { std::ofstream(folder.path / ".scene.json.tmp-notes") << "a user's file"; }
  ASSERT_EQ(folder.entries().size(), 7u);
  EXPECT_EQ(readAll(folder.file("scene.json")), "old");  // killed writers never touched the target

  ASSERT_TRUE(vk::writeFileAtomically(folder.file("scene.json"), "new"));
  EXPECT_EQ(readAll(folder.file("scene.json")), "new");
  std::vector<std::string> left = folder.entries();
  std::sort(left.begin(), left.end());
  // Kept: the target, the running writer's file, the other target's leftover
  // and the file that only looks similar.
  ASSERT_EQ(left.size(), 4u);
  EXPECT_EQ(left[0], ".scene.json.tmp-notes");
  EXPECT_EQ(left[3], "scene.json");
  ::kill(running.pid, SIGKILL);
  ::waitpid(running.pid, nullptr, 0);
  running.pid = -1;
  ASSERT_TRUE(vk::writeFileAtomically(folder.file("scene.json"), "newer"));
  EXPECT_EQ(folder.entries().size(), 3u);
}

TEST(FileIo, AFullFileSystemKeepsTheOldFileAndNamesTheReason) {
  TempFolder folder;
  const vk::test::SmallTmpfs disk(folder.path / "disk", "64k");
  if (!disk.mounted) GTEST_SKIP() << "no tmpfs here; the file-size limit case covers a cut write";
  const std::wstring path = vk::wideFromPath(folder.path / "disk" / "scene.json");
  ASSERT_TRUE(vk::writeFileAtomically(path, "old"));
  std::wstring reason;
  EXPECT_FALSE(vk::writeFileAtomically(path, std::string(256 * 1024, 'n'), &reason));
  EXPECT_NE(reason.find(L"No space left on device"), std::wstring::npos) << vk::wideToUtf8(reason);
  EXPECT_EQ(readAll(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path / "disk"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(FileIo, ReadFileBytesRefusesAboveTheCapBeforeReading) {
  TempFolder folder;
  const std::wstring path = folder.file("data.bin");
  ASSERT_TRUE(vk::writeFileAtomically(path, std::string(100, 'z')));
  std::string out = "stale";
  std::wstring reason;
  EXPECT_TRUE(vk::readFileBytes(path, out, 100, &reason));
  EXPECT_EQ(out, std::string(100, 'z'));
  EXPECT_FALSE(vk::readFileBytes(path, out, 99, &reason));
  EXPECT_TRUE(out.empty());
  EXPECT_NE(reason.find(L"larger than"), std::wstring::npos);

  EXPECT_FALSE(vk::readFileBytes(folder.file("nothing"), out, 100, &reason));
  EXPECT_FALSE(vk::readFileBytes(vk::wideFromPath(folder.path), out, 100, &reason));
  EXPECT_FALSE(reason.empty());
  // A FIFO with no writer is refused instead of blocking forever.
  ASSERT_EQ(::mkfifo((folder.path / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(vk::readFileBytes(folder.file("pipe"), out, 100, &reason));
}

// Parts of a file read by offset, from the version that was opened: a read
// past what is there now fails as a change, and so does a file written
// anew in place (the decoders then drop what they read).
TEST(FileIo, ReadOnlyFileReadsPartsAndNoticesChanges) {
  TempFolder folder;
  const std::wstring path = folder.file("data.bin");
  ASSERT_TRUE(vk::writeFileAtomically(path, "0123456789"));
  vk::ReadOnlyFile file;
  std::wstring reason;
  EXPECT_FALSE(file.open(path, 9, &reason));
  EXPECT_NE(reason.find(L"larger than"), std::wstring::npos);
  ASSERT_TRUE(file.open(path, 10));
  EXPECT_EQ(file.size(), 10u);
  char part[4] = {};
  ASSERT_TRUE(file.readAt(6, part, 4));
  EXPECT_EQ(std::string(part, 4), "6789");
  EXPECT_FALSE(file.readAt(8, part, 4, &reason));
  EXPECT_NE(reason.find(L"changed while it was being read"), std::wstring::npos);
  EXPECT_TRUE(file.unchanged());
  {
    std::ofstream same(vk::pathFromWide(path), std::ios::binary | std::ios::trunc);
    same << "012345";
  }
  EXPECT_FALSE(file.unchanged());
  EXPECT_FALSE(file.open(folder.file("nothing"), 10, &reason));
  EXPECT_FALSE(file.open(vk::wideFromPath(folder.path), 10, &reason));
}

TEST(FileIo, StatusQueriesTreatErrorsAsMissing) {
  TempFolder folder;
  const std::wstring path = folder.file("texture.png");
  EXPECT_FALSE(vk::fileExists(path));
  EXPECT_EQ(vk::fileWriteTime(path), 0u);
  EXPECT_FALSE(vk::fileExists(L""));
  EXPECT_FALSE(vk::fileExists(folder.file("plain/child")));

  ASSERT_TRUE(vk::writeFileAtomically(path, "12345"));
  vk::FileStatus status = vk::fileStatus(path);
  EXPECT_TRUE(status.exists);
  EXPECT_TRUE(status.regular);
  EXPECT_EQ(status.size, 5u);
  // Write times are wall-clock nanoseconds.
  const double now = double(std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count());
  EXPECT_NEAR(double(status.writeTime) / 1e9, now, 3600.0);

  // A new write time is seen even when the size stays the same.
  const auto earlier =
      std::filesystem::last_write_time(vk::pathFromWide(path)) - std::chrono::hours(1);
  std::filesystem::last_write_time(vk::pathFromWide(path), earlier);
  const std::uint64_t before = vk::fileWriteTime(path);
  ASSERT_TRUE(vk::writeFileAtomically(path, "54321"));
  EXPECT_GT(vk::fileWriteTime(path), before);

  status = vk::fileStatus(vk::wideFromPath(folder.path));
  EXPECT_TRUE(status.exists);
  EXPECT_FALSE(status.regular);
  EXPECT_TRUE(vk::fileExists(vk::wideFromPath(folder.path)));

  // A dangling link counts as missing.
  std::filesystem::create_symlink(folder.path / "gone", folder.path / "link");
  EXPECT_FALSE(vk::fileExists(folder.file("link")));
}

}  // namespace
