// The distinct lines of the merge, in O(n log n) and without quadratic moves,
// giving the same lines in the same order as a sorted list filled one line at
// a time. Lines of printable ASCII are sorted by packed prefix keys over the
// collator's ranks. All other lines need the collator: byte-identical repeats
// are dropped by hash first (the first occurrence stays, so nothing changes),
// then each remaining line's collation key is made once, on two threads for
// large texts, and the keys are sorted with byte comparisons. The two sorted
// sets are merged at the end. See distinct_lines.h.
#include "files/distinct_lines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "files/line_order.h"
#include "text/gbk.h"

namespace valo::files {
namespace {

// One ASCII line: its start in the buffer and its packed prefix key.
// 12 bytes per line while the buffer is below 4 GiB, which keeps 20 million
// short lines well inside twice the input's size.
struct Entry32 {
  std::uint32_t keyHigh, keyLow, start;
  std::uint64_t key() const { return std::uint64_t{keyHigh} << 32 | keyLow; }
  std::size_t offset() const { return start; }
  void set(std::uint64_t key, std::size_t offset) {
    keyHigh = static_cast<std::uint32_t>(key >> 32);
    keyLow = static_cast<std::uint32_t>(key);
    start = static_cast<std::uint32_t>(offset);
  }
};
struct Entry64 {
  std::uint64_t packedKey, start;
  std::uint64_t key() const { return packedKey; }
  std::size_t offset() const { return start; }
  void set(std::uint64_t key, std::size_t offset) {
    packedKey = key;
    start = offset;
  }
};

// Cuts at the first zero byte and rewrites every line end (CR LF, CR, LF) as
// a single '\n' in place, so that each line ends at a '\n'; a last line
// without a line end gets one. Returns the number of lines.
std::size_t terminateLines(std::string& text) {
  if (const void* zero = std::memchr(text.data(), '\0', text.size()); zero != nullptr) {
    text.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
  }
  if (const void* cr = std::memchr(text.data(), '\r', text.size()); cr != nullptr) {
    // Moves the stretches between carriage returns down, so the bytes are
    // searched rather than copied one at a time.
    char* const data = text.data();
    const std::size_t n = text.size();
    std::size_t in = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
    std::size_t out = in;
    while (in < n) {
      data[out++] = '\n';  // the CR found at `in`
      in += (in + 1 < n && data[in + 1] == '\n') ? 2 : 1;
      const void* next = std::memchr(data + in, '\r', n - in);
      const std::size_t end = next ? static_cast<std::size_t>(static_cast<const char*>(next) - data) : n;
      std::memmove(data + out, data + in, end - in);
      out += end - in;
      in = end;
    }
    text.resize(out);
  }
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string_view lineAt(const char* base, std::size_t offset) {
  const char* start = base + offset;
  const char* end = static_cast<const char*>(::rawmemchr(start, '\n'));
  return std::string_view(start, static_cast<std::size_t>(end - start));
}

// Runs `first` here and `second` on another thread, or both here in turn
// when `twoThreads` is false or no thread can be started. An exception of
// either comes out here once both have ended.
void runBoth(bool twoThreads, const std::function<void()>& first, const std::function<void()>& second) {
  std::exception_ptr secondError;
  std::thread worker;
  if (twoThreads) {
    try {
      worker = std::thread([&] {
        try {
          second();
        } catch (...) {
          secondError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
    }
  }
  std::exception_ptr firstError;
  try {
    first();
  } catch (...) {
    firstError = std::current_exception();
  }
  if (worker.joinable()) {
    worker.join();
  } else if (!firstError) {
    second();
  }
  if (firstError) std::rethrow_exception(firstError);
  if (secondError) std::rethrow_exception(secondError);
}

// Packs the start of a fast line into 63 bits whose order is the collator's.
// The ranks are renumbered over the bytes the text actually holds, so that a
// digits-and-dashes list spends 4 bits per byte and most fax numbers fit in
// the key whole; the top bit marks a fast line.
class PrefixPacker {
 public:
  static constexpr std::uint64_t kFlag = std::uint64_t{1} << 63;

  PrefixPacker(const LineOrder& order, std::string_view text) {
    if (!order.fastPathEnabled()) return;
    std::array<bool, 256> present{};
    for (const char c : text) present[static_cast<unsigned char>(c)] = true;
    std::array<bool, 256> rankUsed{};
    for (int c = 0x20; c <= 0x7E; ++c) {
      if (present[c]) rankUsed[order.rank(static_cast<unsigned char>(c))] = true;
    }
    std::array<std::uint8_t, 256> denseOfRank{};
    int used = 0;
    for (int r = 1; r < 256; ++r) {
      if (rankUsed[r]) denseOfRank[r] = static_cast<std::uint8_t>(++used);
    }
    for (int c = 0x20; c <= 0x7E; ++c) dense_[c] = denseOfRank[order.rank(static_cast<unsigned char>(c))];
    bits_ = std::max(1, static_cast<int>(std::bit_width(static_cast<unsigned>(used))));
    chars_ = 63 / bits_;
    lastSlotMask_ = (std::uint64_t{1} << bits_) - 1;
    enabled_ = true;
  }

  // 0 for a line that is not fast (or when the fast path is off).
  std::uint64_t key(const char* line) const {
    if (!enabled_) return 0;
    std::uint64_t key = 0;
    for (int i = 0;; ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (c == '\n') break;
      if (!LineOrder::isFastByte(c)) return 0;
      if (i < chars_) key |= std::uint64_t{dense_[c]} << (bits_ * (chars_ - 1 - i));
    }
    return key | kFlag;
  }
  // Equal keys whose last slot is empty belong to lines that ended inside the key.
  bool endsInside(std::uint64_t key) const { return (key & lastSlotMask_) == 0; }
  std::size_t chars() const { return static_cast<std::size_t>(chars_); }

 private:
  std::array<std::uint8_t, 256> dense_{};
  int bits_ = 7;
  int chars_ = 9;
  std::uint64_t lastSlotMask_ = 0;
  bool enabled_ = false;
};

// Sorts the fast lines and hands the first of each set of equal lines, in
// order, to `output`.
template <class Entry, class Output>
void sortFastLines(const char* base, Entry* entries, std::size_t count, const PrefixPacker& packer,
                   const LineOrder& order, Output&& output) {
  auto compareLines = [&](const Entry& a, const Entry& b) {
    const std::uint64_t ka = a.key(), kb = b.key();
    if (ka != kb) return ka < kb ? -1 : 1;
    if (packer.endsInside(ka)) return 0;
    return order.compareFastFrom(base + a.offset(), base + b.offset(), packer.chars());
  };
  // Ties go to the earlier line, so each group of equal lines starts with the
  // one a sorted list filled in text order would have kept.
  std::sort(entries, entries + count, [&](const Entry& a, const Entry& b) {
    const int c = compareLines(a, b);
    return c != 0 ? c < 0 : a.offset() < b.offset();
  });
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0 && compareLines(entries[i - 1], entries[i]) == 0) continue;
    output(entries[i].offset());
  }
}

// Drops every line that is byte for byte the same as an earlier one, keeping
// the order of the rest; returns how many remain. Equal bytes are equal lines
// to any collation, and the earliest of them is the one a merge keeps.
template <class Offset>
std::size_t dropRepeatedLines(const char* base, Offset* lines, std::size_t count) {
  if (count < 2 || count > UINT32_MAX / 2) return count;
  const std::size_t capacity = std::bit_ceil(count * 2);
  const std::size_t mask = capacity - 1;
  // Hashes first, so that the table's slots can be fetched ahead of use: the
  // table is far larger than any cache, and waiting for each slot in turn
  // would take most of the time.
  std::unique_ptr<std::uint64_t[]> hashes(new std::uint64_t[count]);
  for (std::size_t i = 0; i < count; ++i) hashes[i] = std::hash<std::string_view>{}(lineAt(base, lines[i]));
  // A slot holds the high half of the line's hash and its index + 1; 0 is free.
  std::unique_ptr<std::uint64_t[]> table(new std::uint64_t[capacity]());
  constexpr std::size_t kAhead = 16;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) __builtin_prefetch(&table[hashes[i + kAhead] & mask]);
    const std::uint64_t hash = hashes[i];
    const std::uint64_t tag = hash >> 32;
    const std::string_view line = lineAt(base, lines[i]);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const std::uint64_t s = table[slot];
      if (s == 0) {
        table[slot] = tag << 32 | (kept + 1);
        lines[kept++] = lines[i];
        break;
      }
      if (s >> 32 == tag && lineAt(base, lines[(s & UINT32_MAX) - 1]) == line) break;
    }
  }
  return kept;
}

// Collation keys, kept in large blocks so that a million keys cost a few
// allocations and no copying. The first block is sized for the lines at
// hand, so that a small merge does not take a large block.
class KeyStore {
 public:
  void release() { blocks_.clear(); }
  // The first block holds about `bytes`.
  void start(std::size_t bytes) {
    next_ = std::clamp<std::size_t>(bytes, 256, kBlock);
    makeRoom(0);
  }
  std::uint8_t* free() { return free_; }
  std::size_t room() const { return room_; }
  void take(std::size_t bytes) {
    free_ += bytes;
    room_ -= bytes;
  }
  void makeRoom(std::size_t bytes) {
    const std::size_t size = std::max(next_, bytes);
    blocks_.emplace_back(new std::uint8_t[size]);
    free_ = blocks_.back().get();
    room_ = size;
    next_ = kBlock;
  }

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
  std::uint8_t* free_ = nullptr;
  std::size_t room_ = 0;
  std::size_t next_ = kBlock;
};

// A line that needs the collator, with its collation key. The sort orders
// the keys eight bytes at a time: `head` holds eight of the key's bytes as a
// number, so that most comparisons stay inside the array and each key is
// fetched from memory once per round rather than once per comparison. The
// key's first eight bytes live only in the first head; `rest` is the
// remainder with its terminating zero. Once sorted, `sameAsPrevious` marks a
// line whose key equals that of the line before it.
template <class Offset>
struct KeyedLine {
  std::uint64_t head;
  const std::uint8_t* rest;
  Offset line;
  bool sameAsPrevious;
};

// The eight key bytes from `at` on as a number, zeros after the key's end.
// Keys hold no zero byte before their terminating one.
inline std::uint64_t keyHead(const std::uint8_t* at) {
  std::uint64_t head = 0;
  int k = 0;
  for (; k < 8 && at[k] != 0; ++k) head = head << 8 | at[k];
  return k == 0 ? 0 : head << (8 * (8 - k));
}

// A head whose last byte is zero holds the end of its key.
inline bool endsInHead(std::uint64_t head) {
  return (head & 0xFF) == 0;
}

// Key order while the heads still hold the keys' first eight bytes.
template <class Offset>
int compareKeys(const KeyedLine<Offset>& a, const KeyedLine<Offset>& b) {
  if (a.head != b.head) return a.head < b.head ? -1 : 1;
  if (endsInHead(a.head)) return 0;
  return std::strcmp(reinterpret_cast<const char*>(a.rest), reinterpret_cast<const char*>(b.rest));
}

template <class Offset>
bool headBefore(const KeyedLine<Offset>& a, const KeyedLine<Offset>& b) {
  return a.head != b.head ? a.head < b.head : a.line < b.line;
}

// Deep in a long common key prefix (long lines that differ in letter case
// only, say) the rest of a run is sorted by whole comparisons instead.
constexpr std::uint32_t kMaxDepth = 32;

template <class Offset>
void sortDeepRun(KeyedLine<Offset>* first, KeyedLine<Offset>* last, std::uint32_t depth) {
  const std::size_t skip = 8 * std::size_t{depth - 1};
  auto rest = [skip](const KeyedLine<Offset>& e) { return reinterpret_cast<const char*>(e.rest) + skip; };
  std::sort(first, last, [&](const KeyedLine<Offset>& a, const KeyedLine<Offset>& b) {
    const int c = std::strcmp(rest(a), rest(b));
    return c != 0 ? c < 0 : a.line < b.line;
  });
  for (KeyedLine<Offset>* e = first + 1; e < last; ++e)
    e->sameAsPrevious = std::strcmp(rest(e[-1]), rest(*e)) == 0;
}

// Sorts by whole keys, ties by text order: by heads first, then every run of
// equal heads that did not hold the key's end by its next eight bytes.
template <class Offset>
void sortByKey(KeyedLine<Offset>* first, KeyedLine<Offset>* last, std::uint32_t depth) {
  if (depth >= kMaxDepth) {
    sortDeepRun(first, last, depth);
    return;
  }
  std::sort(first, last, headBefore<Offset>);
  for (KeyedLine<Offset>* run = first; run != last;) {
    KeyedLine<Offset>* end = run + 1;
    while (end != last && end->head == run->head) ++end;
    if (end - run > 1 && !endsInHead(run->head)) {
      for (KeyedLine<Offset>* e = run; e != end; ++e) e->head = keyHead(e->rest + 8 * std::size_t{depth});
      sortByKey(run, end, depth + 1);
    } else {
      for (KeyedLine<Offset>* e = run + 1; e < end; ++e) e->sameAsPrevious = true;
    }
    run = end;
  }
}

// Makes the keys of out[begin, end), whose lines are set.
template <class Offset>
void makeKeys(const char* base, std::size_t begin, std::size_t end, const LineOrder& order, KeyStore& store,
              KeyedLine<Offset>* out) {
  if (begin == end) return;
  // Keys run a little longer than their GBK lines.
  store.start(2 * (out[end - 1].line - out[begin].line) + 64);
  for (std::size_t i = begin; i < end; ++i) {
    const std::string_view line = lineAt(base, out[i].line);
    std::size_t length = order.sortKey(line, store.free(), store.room());
    if (length > store.room()) {
      store.makeRoom(length);
      length = order.sortKey(line, store.free(), store.room());
    }
    std::uint8_t* key = store.free();
    out[i].head = keyHead(key);
    out[i].sameAsPrevious = false;
    static constexpr std::uint8_t kEnded = 0;
    if (length > 8) {
      std::memmove(key, key + 8, length - 8);
      out[i].rest = key;
      store.take(length - 8);
    } else {
      out[i].rest = &kEnded;
    }
  }
}

// True when the lines differ at most in the case of ASCII letters that are
// characters of their own. Such lines decode to texts that differ only in
// the case of those letters, so they compare equal in the merge order; this
// settles the usual collator ties without asking the collator again.
bool sameUpToAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const std::size_t n = a.size();
  for (std::size_t i = 0; i < n;) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x == y) {
      if (isGbkLeadByte(x) && i + 1 < n) {
        if (a[i + 1] != b[i + 1]) return false;
        i += 2;
      } else {
        ++i;
      }
      continue;
    }
    const unsigned lx = x | 0x20u;
    if (lx != (y | 0x20u) || lx < 'a' || lx > 'z') return false;
    ++i;
  }
  return true;
}

// Sorts the lines that need the collator and writes the kept ones, in order,
// over the front of `lines`; returns how many are kept.
template <class Offset>
std::size_t sortCollatedLines(const char* base, std::unique_ptr<Offset[]>& lines, std::size_t count,
                              const LineOrder& order, std::size_t twoThreadLines) {
  count = dropRepeatedLines(base, lines.get(), count);
  std::unique_ptr<KeyedLine<Offset>[]> keyed(new KeyedLine<Offset>[count]);
  for (std::size_t i = 0; i < count; ++i) keyed[i].line = lines[i];
  lines.reset();

  const bool twoThreads = count >= twoThreadLines && count >= 2;
  KeyStore firstKeys, secondKeys;
  std::unique_ptr<LineOrder> secondOrder;
  if (twoThreads) secondOrder = order.clone();
  const LineOrder& otherOrder = secondOrder ? *secondOrder : order;
  KeyedLine<Offset>* const all = keyed.get();
  const std::size_t middle = twoThreads ? count / 2 : count;
  runBoth(
      twoThreads, [&] { makeKeys(base, 0, middle, order, firstKeys, all); },
      [&] { makeKeys(base, middle, count, otherOrder, secondKeys, all); });
  // Split at a sampled middle key, so that each thread sorts one side and the
  // two sides need no merging.
  std::size_t split = count;
  if (twoThreads) {
    std::vector<KeyedLine<Offset>> samples;
    for (std::size_t i = 0; i < 63; ++i) samples.push_back(all[(count - 1) * (2 * i + 1) / 126]);
    sortByKey(samples.data(), samples.data() + samples.size(), 0);
    const KeyedLine<Offset>& pivot = samples[31];
    split = static_cast<std::size_t>(
        std::partition(all, all + count,
                       [&](const KeyedLine<Offset>& e) { return compareKeys(e, pivot) < 0; }) -
        all);
  }
  runBoth(
      twoThreads, [&] { sortByKey(all, all + split, 0); }, [&] { sortByKey(all + split, all + count, 0); });

  firstKeys.release();
  secondKeys.release();

  // Equal keys: case variants of one line as a rule (the first one stays);
  // anything else is ordered and told apart by the full comparison, which
  // keeps equal lines in text order.
  lines.reset(new Offset[count]);
  std::size_t kept = 0;
  std::vector<Offset> group;
  for (std::size_t i = 0; i < count;) {
    std::size_t j = i + 1;
    while (j < count && all[j].sameAsPrevious) ++j;
    const std::string_view first = lineAt(base, all[i].line);
    bool variants = true;
    for (std::size_t k = i + 1; k < j && variants; ++k) {
      variants = sameUpToAsciiCase(first, lineAt(base, all[k].line));
    }
    if (variants) {
      lines[kept++] = all[i].line;
    } else {
      group.clear();
      for (std::size_t k = i; k < j; ++k) group.push_back(all[k].line);
      std::stable_sort(group.begin(), group.end(), [&](Offset a, Offset b) {
        return order.compare(lineAt(base, a), lineAt(base, b)) < 0;
      });
      for (std::size_t k = 0; k < group.size(); ++k) {
        if (k > 0 && order.compare(lineAt(base, group[k - 1]), lineAt(base, group[k])) == 0) continue;
        lines[kept++] = group[k];
      }
    }
    i = j;
  }
  return kept;
}

// Merges two sorted runs of distinct lines; a line of one run equal to a line
// of the other gives way to the earlier of the two. The collated run is
// usually the shorter one in a mixed text, so each of its lines finds its
// place in the other run by galloping, not by a step per line.
template <class Offset, class Output>
void mergeRuns(const char* base, const std::vector<Offset>& ascii, const Offset* collated,
               std::size_t collatedCount, const LineOrder& order, Output&& output) {
  std::size_t a = 0;
  for (std::size_t c = 0; c < collatedCount; ++c) {
    const std::string_view line = lineAt(base, collated[c]);
    auto before = [&](std::size_t i) { return order.compare(lineAt(base, ascii[i]), line) < 0; };
    // Smallest i >= a with ascii[i] not before the line.
    std::size_t step = 1, low = a, high = a;
    while (high < ascii.size() && before(high)) {
      low = high + 1;
      high = std::min(ascii.size(), high + step);
      step *= 2;
    }
    while (low < high) {
      const std::size_t mid = low + (high - low) / 2;
      if (before(mid)) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    for (; a < low; ++a) output(ascii[a]);
    if (a < ascii.size() && order.compare(lineAt(base, ascii[a]), line) == 0) {
      output(std::min(ascii[a], collated[c]));
      ++a;
    } else {
      output(collated[c]);
    }
  }
  for (; a < ascii.size(); ++a) output(ascii[a]);
}

template <class Entry, class Offset>
std::int64_t sortLines(const std::string& text, std::size_t lineCount, const LineOrder& order,
                       const std::function<void(std::string_view)>& sink, std::size_t twoThreadLines) {
  const char* base = text.data();
  const PrefixPacker packer(order, text);
  // Both arrays are sized for every line; only the part that is filled is
  // ever touched, so only that part takes memory.
  std::unique_ptr<Entry[]> ascii(new Entry[lineCount]);
  std::unique_ptr<Offset[]> collated(new Offset[lineCount]);
  std::size_t asciiCount = 0, collatedCount = 0;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < lineCount; ++i) {
    if (const std::uint64_t key = packer.key(base + pos); key != 0) {
      ascii[asciiCount++].set(key, pos);
    } else {
      collated[collatedCount++] = static_cast<Offset>(pos);
    }
    pos = static_cast<std::size_t>(static_cast<const char*>(::rawmemchr(base + pos, '\n')) - base) + 1;
  }

  std::int64_t kept = 0;
  auto output = [&](std::size_t offset) {
    sink(lineAt(base, offset));
    ++kept;
  };
  if (collatedCount == 0) {
    sortFastLines(base, ascii.get(), asciiCount, packer, order, output);
    return kept;
  }
  collatedCount = sortCollatedLines(base, collated, collatedCount, order, twoThreadLines);
  std::vector<Offset> asciiKept;
  sortFastLines(base, ascii.get(), asciiCount, packer, order,
                [&](std::size_t offset) { asciiKept.push_back(static_cast<Offset>(offset)); });
  ascii.reset();
  mergeRuns(base, asciiKept, collated.get(), collatedCount, order, output);
  return kept;
}

}  // namespace

std::int64_t sortDistinctLines(std::string& text, const LineOrder& order,
                               const std::function<void(std::string_view)>& sink,
                               std::size_t twoThreadLines) {
  const std::size_t lines = terminateLines(text);
  if (lines == 0) return 0;
  if (text.size() <= UINT32_MAX) {
    return sortLines<Entry32, std::uint32_t>(text, lines, order, sink, twoThreadLines);
  }
  return sortLines<Entry64, std::uint64_t>(text, lines, order, sink, twoThreadLines);
}

}  // namespace valo::files
