// The order of the merge list: the collator of the user's default locale with
// letter case ignored. Lines that differ only in case are one line; lines
// that differ in anything else are distinct, in a fixed order.
//
// Most number lists are plain ASCII. For lines made only of printable ASCII
// the collator's verdict is taken from a per-byte rank table that is derived
// from the collator itself when the order is built and then checked against
// it on every string of one and two characters; if the check fails (a locale
// with contractions, numeric ordering, ignorable punctuation, ...) every
// comparison goes through the collator.
//
// Sorting many lines that are not plain ASCII uses sortKey(): the collator's
// key of each line is made once and keys are then ordered byte by byte.
#pragma once

#include <unicode/ucnv.h>
#include <unicode/ucol.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace valo::files {

class LineOrder {
 public:
  // The default locale (icu::Locale::getDefault()), or the named one.
  LineOrder();
  explicit LineOrder(const char* localeName);
  ~LineOrder();
  LineOrder(const LineOrder&) = delete;
  LineOrder& operator=(const LineOrder&) = delete;

  // An order of its own for another thread. One LineOrder is not safe to use
  // from two threads at once: its collator and converter work in scratch space.
  std::unique_ptr<LineOrder> clone() const;

  // <0, 0 or >0. Zero exactly when the case-folded texts are identical.
  int compare(std::string_view a, std::string_view b) const;

  // The collator's key of `line` (case folded as for compare()). Keys ordered
  // with strcmp are ordered as compare() orders their lines, except that
  // compare() still tells apart lines whose keys are equal (a collator tie
  // between different folded texts). The key and its terminating zero byte
  // are written to `out` when they fit into `capacity` bytes; the return value
  // is their length either way.
  std::size_t sortKey(std::string_view line, std::uint8_t* out, std::size_t capacity) const;

  // The ASCII path, usable when fastPathEnabled(). A "fast" line holds only
  // bytes 0x20-0x7E. rank() orders fast bytes as the collator does (letters
  // of either case share a rank); the line terminator '\n' has rank 0.
  bool fastPathEnabled() const { return fastEnabled_; }
  static bool isFastByte(unsigned char c) { return c >= 0x20 && c <= 0x7E; }
  std::uint8_t rank(unsigned char c) const { return rank_[c]; }

  // Compares two fast lines ending at '\n' from byte `from` on.
  int compareFastFrom(const char* a, const char* b, std::size_t from) const {
    for (std::size_t i = from;; ++i) {
      const int ra = rank_[static_cast<unsigned char>(a[i])];
      const int rb = rank_[static_cast<unsigned char>(b[i])];
      if (ra != rb) return ra - rb;
      if (ra == 0) return 0;
    }
  }

 private:
  struct CloneTag {};
  LineOrder(const LineOrder& from, CloneTag);
  void openConverter();
  void init(const char* localeName);
  bool deriveRanks();
  int compareFolded(std::u16string_view a, std::u16string_view b) const;
  std::u16string_view fold(std::string_view gbk, std::u16string& buffer) const;

  UCollator* collator_ = nullptr;
  UConverter* converter_ = nullptr;
  mutable std::u16string scratchA_, scratchB_, scratchFold_;
  std::array<std::uint8_t, 256> rank_{};
  bool fastEnabled_ = false;
};

}  // namespace valo::files
