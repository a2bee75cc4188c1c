// Times the number-list merge on generated fax-number lists (10 files, about
// 45 % repeated lines, some repeats in other letter case) against
// `LC_ALL=C.UTF-8 sort -f -u` on the same files, and reports the merge's peak
// memory against the input size. Each contender runs as its own process so
// that its wall time and peak resident size are its own.
//
//   bench_merge                 2,000,000 lines, merge and sort
//   bench_merge --memory        20,000,000 lines, merge only, memory vs input
//   bench_merge --lines N [--files F] [--no-sort] [--keep]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/number_merge.h"

extern char** environ;

namespace {

const char* const kAreaCodes[] = {"010",  "020",  "021",  "022",  "023",  "024",  "025",
                                  "027",  "028",  "029",  "0311", "0371", "0512", "0571",
                                  "0574", "0591", "0755", "0757", "0769", "0898"};

// One fax line, fully determined by its seed, so that a repeat is made again
// from the seed instead of being stored.
std::string makeLine(std::uint64_t seed, bool otherCase) {
  std::mt19937_64 rng(seed);
  std::string line = kAreaCodes[rng() % 20];
  line += '-';
  const int digits = line.size() == 4 ? 8 : 7 + static_cast<int>(rng() % 2);
  line += static_cast<char>('1' + rng() % 9);
  for (int i = 1; i < digits; ++i) line += static_cast<char>('0' + rng() % 10);
  switch (rng() % 10) {
    case 0:
      line += otherCase ? 'X' : 'x';
      break;
    case 1:
      line += otherCase ? " EXT " : " ext ";
      line += std::to_string(rng() % 900 + 100);
      break;
    default:
      break;
  }
  return line;
}

struct RunResult {
  double seconds = 0;
  long maxRssKiB = 0;
  int status = -1;
};

RunResult runProcess(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "LC_ALL=", 7) != 0) envStore.emplace_back(*e);
  }
  for (const std::string& e : extraEnv) envStore.push_back(e);
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  RunResult r;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return r;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.maxRssKiB = usage.ru_maxrss;
  r.status = status;
  return r;
}

std::size_t countLines(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  std::size_t n = 0;
  char buf[1 << 16];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    for (std::size_t i = 0; i < got; ++i) n += buf[i] == '\n';
  }
  std::fclose(f);
  return n;
}

int mergeOnly(int argc, char** argv) {
  const QString target = QString::fromLocal8Bit(argv[2]);
  QStringList sources;
  for (int i = 3; i < argc; ++i) sources << QString::fromLocal8Bit(argv[i]);
  const valo::files::MergeOutcome outcome = valo::files::MergeNumberLists(sources, target);
  if (outcome.error) {
    std::fprintf(stderr, "merge error: %s\n", outcome.error->message().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--merge-only") == 0) return mergeOnly(argc, argv);

  long long lines = 2'000'000;
  int files = 10;
  bool runSort = true;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--memory") {
      lines = 20'000'000;
      runSort = false;
    } else if (a == "--lines" && i + 1 < argc) {
      lines = std::atoll(argv[++i]);
    } else if (a == "--files" && i + 1 < argc) {
      files = std::atoi(argv[++i]);
    } else if (a == "--no-sort") {
      runSort = false;
    } else if (a == "--keep") {
      keep = true;
    } else {
      std::fprintf(stderr, "usage: bench_merge [--memory] [--lines N] [--files F] [--no-sort] [--keep]\n");
      return 2;
    }
  }

  char pattern[] = "/tmp/valo-bench-merge-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;

  // Generate: about 45 % of the lines repeat an earlier one; a repeat of a
  // line with letters comes in the other case half of the time.
  std::mt19937_64 rng(42);
  std::vector<std::uint64_t> seeds;
  seeds.reserve(static_cast<std::size_t>(lines));
  std::vector<std::string> sources;
  std::uint64_t inputBytes = 0;
  const long long perFile = (lines + files - 1) / files;
  long long written = 0;
  for (int f = 0; f < files; ++f) {
    const std::string path = dir + "/numbers" + std::to_string(f) + ".txt";
    sources.push_back(path);
    std::string text;
    for (long long i = 0; i < perFile && written < lines; ++i, ++written) {
      bool otherCase = false;
      std::uint64_t seed;
      if (!seeds.empty() && rng() % 100 < 45) {
        seed = seeds[rng() % seeds.size()];
        otherCase = rng() % 2 == 0;
      } else {
        seed = rng();
        seeds.push_back(seed);
      }
      text += makeLine(seed, otherCase);
      text += "\r\n";
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    inputBytes += text.size();
  }
  std::vector<std::uint64_t>().swap(seeds);
  std::printf("input: %lld lines in %d files, %.1f MB\n", lines, files,
              static_cast<double>(inputBytes) / 1e6);

  char self[4096];
  const ssize_t selfLen = readlink("/proc/self/exe", self, sizeof self - 1);
  if (selfLen <= 0) return 1;
  self[selfLen] = '\0';

  std::vector<std::string> mergeArgs = {self, "--merge-only", dir + "/merged.txt"};
  mergeArgs.insert(mergeArgs.end(), sources.begin(), sources.end());
  const RunResult merge = runProcess(mergeArgs, {"LC_ALL=C.UTF-8"});
  const double rssMB = static_cast<double>(merge.maxRssKiB) * 1024 / 1e6;
  std::printf("merge:  %.3f s, peak memory %.1f MB (%.2f x input), %zu lines out, exit status %d\n",
              merge.seconds, rssMB, rssMB * 1e6 / static_cast<double>(inputBytes),
              countLines(dir + "/merged.txt"), merge.status);

  if (runSort) {
    std::vector<std::string> sortArgs = {"sort", "-f", "-u", "-o", dir + "/sorted.txt"};
    sortArgs.insert(sortArgs.end(), sources.begin(), sources.end());
    const RunResult sort = runProcess(sortArgs, {"LC_ALL=C.UTF-8"});
    std::printf("sort -f -u (LC_ALL=C.UTF-8): %.3f s, peak memory %.1f MB, %zu lines out, exit status %d\n",
                sort.seconds, static_cast<double>(sort.maxRssKiB) * 1024 / 1e6,
                countLines(dir + "/sorted.txt"), sort.status);
    std::printf("ratio merge/sort wall time: %.3f\n", merge.seconds / sort.seconds);
  }

  if (keep) {
    std::printf("files kept in %s\n", dir.c_str());
  } else {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  return 0;
}
