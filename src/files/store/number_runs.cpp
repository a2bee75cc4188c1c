// See number_runs.h. Numbers are kept as offsets into one buffer rather than
// as strings of their own: a short number as std::string costs 32 bytes
// besides its text, more than the text itself, and an allocation.
#include "files/store/number_runs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <queue>

#include "text/app_error.h"

namespace valo::files::store {
namespace {

// How often the merge looks at the stop token.
constexpr std::int64_t kStopCheckEvery = 16384;

[[noreturn]] void failedOn(const char* doing, const std::string& path) {
  const int err = errno;
  throw AppError(gbk(doing) + gbkFromUtf8(path) + gbk("：") +
                 gbkFromUtf8(std::strerror(err != 0 ? err : EIO)));
}

}  // namespace

LineFileWriter::LineFileWriter(const std::string& path)
    : path_(path), out_(path, std::ios::binary | std::ios::trunc) {
  if (!out_) failedOn("无法创建临时文件 ", path_);
}

void LineFileWriter::write(std::string_view line) {
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  out_.put('\n');
  if (!out_) failedOn("无法写入临时文件 ", path_);
}

void LineFileWriter::write(char tag, std::string_view line) {
  out_.put(tag);
  write(line);
}

void LineFileWriter::flush() {
  out_.flush();
  if (!out_) failedOn("无法写入临时文件 ", path_);
}

void LineFileWriter::close() {
  if (!out_.is_open()) return;
  out_.close();
  if (!out_) failedOn("无法写入临时文件 ", path_);
}

LineFileReader::LineFileReader(const std::string& path) : path_(path), in_(path, std::ios::binary) {
  if (!in_) failedOn("无法读取临时文件 ", path_);
}

bool LineFileReader::next(std::string& line) {
  if (std::getline(in_, line)) return true;
  if (in_.bad()) failedOn("无法读取临时文件 ", path_);
  return false;
}

NumberRuns::NumberRuns(std::string folder, std::size_t budgetBytes) : folder_(std::move(folder)) {
  // The split suits numbers of about a dozen bytes; whichever part fills
  // first makes the run. Reserving touches no page, so a short list costs
  // only what it uses.
  arenaBytes_ = budgetBytes / 8 * 5;
  entryCount_ = std::max<std::size_t>(1, (budgetBytes - arenaBytes_) / sizeof(Entry));
  arena_.reserve(arenaBytes_);
  entries_.reserve(entryCount_);
}

void NumberRuns::add(std::string_view number) {
  if (!entries_.empty() && (arena_.size() + number.size() > arenaBytes_ || entries_.size() == entryCount_)) {
    runs_.push_back(folder_ + "/run-" + std::to_string(runs_.size()));
    spillTo(runs_.back());
  }
  entries_.push_back({static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(number.size())});
  arena_.append(number);
  ++added_;
}

std::int64_t NumberRuns::spillTo(const std::string& path) {
  std::sort(entries_.begin(), entries_.end(),
            [this](const Entry& a, const Entry& b) { return at(a) < at(b); });
  const auto end = std::unique(entries_.begin(), entries_.end(),
                               [this](const Entry& a, const Entry& b) { return at(a) == at(b); });
  LineFileWriter out(path);
  for (auto e = entries_.begin(); e != end; ++e) out.write(at(*e));
  out.close();
  const auto count = static_cast<std::int64_t>(end - entries_.begin());
  entries_.clear();
  arena_.clear();
  return count;
}

std::optional<std::int64_t> NumberRuns::finish(const std::string& target, std::stop_token stop) {
  std::int64_t count = 0;
  if (runs_.empty()) {
    count = spillTo(target);
  } else if (!entries_.empty()) {
    runs_.push_back(folder_ + "/run-" + std::to_string(runs_.size()));
    spillTo(runs_.back());
  }
  // The buffers are not needed again; their memory goes back at once.
  std::string().swap(arena_);
  std::vector<Entry>().swap(entries_);
  if (runs_.empty()) return count;

  struct Head {
    std::string number;
    std::size_t run;
  };
  auto later = [](const Head* a, const Head* b) { return a->number > b->number; };
  std::vector<LineFileReader> readers;
  std::vector<Head> heads(runs_.size());
  std::priority_queue<Head*, std::vector<Head*>, decltype(later)> queue(later);
  readers.reserve(runs_.size());
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    readers.emplace_back(runs_[i]);
    heads[i].run = i;
    if (readers[i].next(heads[i].number)) queue.push(&heads[i]);
  }
  LineFileWriter out(target);
  std::string last;
  for (std::int64_t step = 1; !queue.empty(); ++step) {
    Head* head = queue.top();
    queue.pop();
    // Each run holds a number once, so equal numbers come from different runs.
    if (count == 0 || head->number != last) {
      out.write(head->number);
      last = head->number;
      ++count;
    }
    if (readers[head->run].next(head->number)) queue.push(head);
    if (step % kStopCheckEvery == 0 && stop.stop_requested()) return std::nullopt;
  }
  out.close();
  for (const std::string& run : runs_) std::remove(run.c_str());
  runs_.clear();
  return count;
}

}  // namespace valo::files::store
