// What a piece of work adds to a process's peak memory (and how long it
// takes), measured in a forked child so that nothing else the test or the
// benchmark did before counts.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>

namespace vk::test {

// A sanitizer's shadow memory counts in the resident size, so memory bounds
// are not measured under one.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

inline long residentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Where the child's measurement starts: at the fork unless the work calls
// start() first (after setting up what should not count).
class ChildClock {
 public:
  void start() {
    // The peak so far (from the fork on: the parent's size) no longer counts.
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);
      std::fclose(f);
    }
    before_ = residentKiB();
    began_ = std::chrono::steady_clock::now();
  }
  long beforeKiB() const { return before_; }
  std::chrono::steady_clock::time_point began() const { return began_; }

 private:
  long before_ = residentKiB();
  std::chrono::steady_clock::time_point began_ = std::chrono::steady_clock::now();
};

template <std::size_t N>
struct ChildReport {
  bool measured = false;    // the child ran and reported
  long long peakBytes = -1; // what the work added to the peak resident size
  double seconds = -1;
  std::array<long long, N> values{};  // what the work returned
};

// Runs `work(ChildClock&)`, which returns std::array<long long, N>, in a child.
template <std::size_t N, class Work>
ChildReport<N> measureInChild(Work&& work) {
  ChildReport<N> report;
  int ends[2];
  if (pipe(ends) != 0) return report;
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    ChildClock clock;
    ChildReport<N> mine;
    mine.values = work(clock);
    mine.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clock.began()).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    mine.peakBytes = (usage.ru_maxrss - clock.beforeKiB()) * 1024LL;
    mine.measured = true;
    _exit(write(ends[1], &mine, sizeof mine) == sizeof mine ? 0 : 1);
  }
  close(ends[1]);
  if (child > 0) {
    if (read(ends[0], &report, sizeof report) != sizeof report) report = ChildReport<N>{};
    waitpid(child, nullptr, 0);
  }
  close(ends[0]);
  return report;
}

}  // namespace vk::test
