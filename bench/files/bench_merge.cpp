// Times the number-list merge against `sort -f -u` on the same lines, and
// reports the merge's peak memory against the input size. Two profiles, each
// 10 files with about 45 % repeated lines, some repeats in other letter case:
//
//   numbers  bare fax numbers ("0755-12345678", "021-1234567 ext 123"),
//            merged in the default locale C.UTF-8
//   chinese  company lines ("深圳机械有限公司123号 传真：0755-12345678"),
//            merged in the default locale zh_CN; sort gets them as UTF-8
//
// sort runs with LC_ALL=C.UTF-8 on both. Each contender runs as its own
// process so that its wall time and peak resident size are its own.
//
//   bench_merge                 both profiles: 2,000,000 numbers, 1,000,000 Chinese lines
//   bench_merge --memory        20,000,000 numbers, merge only, memory vs input
//   bench_merge [--profile numbers|chinese] [--lines N] [--files F] [--no-sort] [--keep]
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
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/number_merge.h"
#include "text/gbk.h"

extern char** environ;

namespace {

const char* const kAreaCodes[] = {"010",  "020",  "021",  "022",  "023",  "024",  "025",
                                  "027",  "028",  "029",  "0311", "0371", "0512", "0571",
                                  "0574", "0591", "0755", "0757", "0769", "0898"};

// One fax line, fully determined by its seed, so that a repeat is made again
// from the seed instead of being stored.
std::string makeNumberLine(std::uint64_t seed, bool otherCase) {
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

const char* const kCities[] = {"深圳", "杭州", "上海", "北京", "宁波", "温州", "苏州", "广州",
                               "无锡", "青岛", "东莞", "佛山", "厦门", "天津", "重庆", "成都"};
const char* const kTrades[] = {"机械", "电子", "化工", "纺织", "五金", "食品", "塑料", "包装",
                               "阀门", "服装", "印刷", "模具", "照明", "家具", "陶瓷", "汽配"};
const char* const kBrands[] = {"", "", "", "", "", "", "华信", "ABC", "Sun", "金利来", "TCL", "Hi-Tech"};
const char* const kLabels[] = {"传真：", "传真：", "传真：", "Fax:", "FAX：", "电话/传真：", "fax "};

// A company line in UTF-8, like the numbers fully determined by its seed. A
// repeat in other case swaps the case of every ASCII letter.
std::string makeCompanyLine(std::uint64_t seed, bool otherCase) {
  std::mt19937_64 rng(seed);
  std::string line = kCities[rng() % 16];
  line += kBrands[rng() % 12];
  line += kTrades[rng() % 16];
  line += "有限公司";
  line += std::to_string(rng() % 999 + 1);
  line += "号 ";
  line += kLabels[rng() % 7];
  line += makeNumberLine(rng(), false);
  if (otherCase) {
    for (char& c : line) {
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c = static_cast<char>(c ^ 0x20);
    }
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

struct Profile {
  const char* name;
  std::function<std::string(std::uint64_t, bool)> makeLine;  // UTF-8
  bool chinese;  // written as GBK for the merge and as UTF-8 for sort
  const char* mergeLocale;
};

struct Options {
  long long lines = -1;  // the profile's own default
  int files = 10;
  bool runSort = true;
  bool keep = false;
};

void runProfile(const Profile& profile, long long lines, const Options& options, const std::string& self) {
  char pattern[] = "/tmp/valo-bench-merge-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  const std::string dir = pattern;

  // Generate: about 45 % of the lines repeat an earlier one; a repeat of a
  // line with letters comes in the other case half of the time.
  std::mt19937_64 rng(42);
  std::vector<std::uint64_t> seeds;
  seeds.reserve(static_cast<std::size_t>(lines));
  std::vector<std::string> sources, sortSources;
  std::uint64_t inputBytes = 0;
  const long long perFile = (lines + options.files - 1) / options.files;
  long long written = 0;
  for (int f = 0; f < options.files; ++f) {
    const std::string path = dir + "/lines" + std::to_string(f) + ".txt";
    const std::string utf8Path = dir + "/lines" + std::to_string(f) + ".utf8.txt";
    sources.push_back(path);
    sortSources.push_back(profile.chinese ? utf8Path : path);
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
      text += profile.makeLine(seed, otherCase);
      text += "\r\n";
    }
    auto save = [](const std::string& where, const std::string& bytes) {
      FILE* out = std::fopen(where.c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), out);
      std::fclose(out);
    };
    if (profile.chinese) {
      save(utf8Path, text);
      text = valo::gbk(text);
    }
    save(path, text);
    inputBytes += text.size();
  }
  std::vector<std::uint64_t>().swap(seeds);
  std::printf("== %s: %lld lines in %d files, %.1f MB%s\n", profile.name, lines, options.files,
              static_cast<double>(inputBytes) / 1e6, profile.chinese ? " of GBK" : "");

  std::vector<std::string> mergeArgs = {self, "--merge-only", dir + "/merged.txt"};
  mergeArgs.insert(mergeArgs.end(), sources.begin(), sources.end());
  const RunResult merge = runProcess(mergeArgs, {std::string("LC_ALL=") + profile.mergeLocale});
  const double rssMB = static_cast<double>(merge.maxRssKiB) * 1024 / 1e6;
  std::printf(
      "merge (LC_ALL=%s): %.3f s, peak memory %.1f MB (%.2f x input), %zu distinct lines, exit status %d\n",
      profile.mergeLocale, merge.seconds, rssMB, rssMB * 1e6 / static_cast<double>(inputBytes),
      countLines(dir + "/merged.txt"), merge.status);

  if (options.runSort) {
    std::vector<std::string> sortArgs = {"sort", "-f", "-u", "-o", dir + "/sorted.txt"};
    sortArgs.insert(sortArgs.end(), sortSources.begin(), sortSources.end());
    const RunResult sort = runProcess(sortArgs, {"LC_ALL=C.UTF-8"});
    std::printf(
        "sort -f -u (LC_ALL=C.UTF-8): %.3f s, peak memory %.1f MB, %zu distinct lines, exit status %d\n",
        sort.seconds, static_cast<double>(sort.maxRssKiB) * 1024 / 1e6, countLines(dir + "/sorted.txt"),
        sort.status);
    std::printf("ratio merge/sort wall time: %.3f\n", merge.seconds / sort.seconds);
  }

  if (options.keep) {
    std::printf("files kept in %s\n", dir.c_str());
  } else {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--merge-only") == 0) return mergeOnly(argc, argv);

  const Profile numbers{"numbers", makeNumberLine, false, "C.UTF-8"};
  const Profile chinese{"chinese", makeCompanyLine, true, "zh_CN.UTF-8"};
  std::vector<std::pair<const Profile*, long long>> profiles = {{&numbers, 2'000'000}, {&chinese, 1'000'000}};
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--memory") {
      profiles = {{&numbers, 20'000'000}};
      options.runSort = false;
    } else if (a == "--profile" && i + 1 < argc) {
      const std::string name = argv[++i];
      if (name == "numbers") {
        profiles = {{&numbers, 2'000'000}};
      } else if (name == "chinese") {
        profiles = {{&chinese, 1'000'000}};
      } else {
        std::fprintf(stderr, "unknown profile %s\n", name.c_str());
        return 2;
      }
    } else if (a == "--lines" && i + 1 < argc) {
      options.lines = std::atoll(argv[++i]);
    } else if (a == "--files" && i + 1 < argc) {
      options.files = std::atoi(argv[++i]);
    } else if (a == "--no-sort") {
      options.runSort = false;
    } else if (a == "--keep") {
      options.keep = true;
    } else {
      std::fprintf(
          stderr,
          "usage: bench_merge [--memory] [--profile numbers|chinese] [--lines N] [--files F] [--no-sort] "
          "[--keep]\n");
      return 2;
    }
  }

  char self[4096];
  const ssize_t selfLen = readlink("/proc/self/exe", self, sizeof self - 1);
  if (selfLen <= 0) return 1;
  self[selfLen] = '\0';
  for (const auto& [profile, lines] : profiles) {
    runProfile(*profile, options.lines > 0 ? options.lines : lines, options, self);
  }
  return 0;
}
