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
#include "files/merge_collation_keys.h"
#include "files/merge_prefix_keys.h"
#include "text/gbk.h"

namespace valo::files {
namespace {

using namespace merge_detail;

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
