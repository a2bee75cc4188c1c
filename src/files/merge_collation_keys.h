// The collated road of the merge's sort: byte-identical repeats dropped by
// hash, one collation key made per remaining line, and the keys sorted by
// their bytes. Used by distinct_lines.cpp alone.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "files/line_order.h"

namespace valo::files::merge_detail {

// The line that starts at `offset` of a buffer whose every line ends at '\n'.
inline std::string_view lineAt(const char* base, std::size_t offset) {
  const char* start = base + offset;
  const char* end = static_cast<const char*>(::rawmemchr(start, '\n'));
  return std::string_view(start, static_cast<std::size_t>(end - start));
}

// Drops every line that is byte for byte the same as an earlier one, keeping
// the order of the rest; returns how many remain. Equal bytes are equal lines
// to any collation, and the earliest of them is the one a merge keeps.
template <class Offset>
inline std::size_t dropRepeatedLines(const char* base, Offset* lines, std::size_t count) {
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
inline int compareKeys(const KeyedLine<Offset>& a, const KeyedLine<Offset>& b) {
  if (a.head != b.head) return a.head < b.head ? -1 : 1;
  if (endsInHead(a.head)) return 0;
  return std::strcmp(reinterpret_cast<const char*>(a.rest), reinterpret_cast<const char*>(b.rest));
}

template <class Offset>
inline bool headBefore(const KeyedLine<Offset>& a, const KeyedLine<Offset>& b) {
  return a.head != b.head ? a.head < b.head : a.line < b.line;
}

// Deep in a long common key prefix (long lines that differ in letter case
// only, say) the rest of a run is sorted by whole comparisons instead.
constexpr std::uint32_t kMaxDepth = 32;

template <class Offset>
inline void sortDeepRun(KeyedLine<Offset>* first, KeyedLine<Offset>* last, std::uint32_t depth) {
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
inline void sortByKey(KeyedLine<Offset>* first, KeyedLine<Offset>* last, std::uint32_t depth) {
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

}  // namespace valo::files::merge_detail
