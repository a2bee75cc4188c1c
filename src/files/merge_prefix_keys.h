// The fast road of the merge's sort: lines of printable ASCII ordered by
// 63-bit keys packed from the collator's ranks of their first bytes, with
// the collator asked only about lines whose keys tie. Used by
// distinct_lines.cpp alone.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "files/line_order.h"

namespace valo::files::merge_detail {

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

}  // namespace valo::files::merge_detail
