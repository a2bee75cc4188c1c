// The progress file "valofaxscan.ini": four bare lines (engine box text,
// keyword index - 1, "qcyes"/"qcno", pause seconds) in GBK with CR LF, from
// which the next start of the program takes an interrupted search up again.
#pragma once

#include <QString>
#include <cstdint>

#include "text/gbk.h"

namespace valo::files {

// The interval box's range; reading clamps into it.
inline constexpr std::int32_t kIntervalMinSeconds = 1;
inline constexpr std::int32_t kIntervalMaxSeconds = 1000;

std::int32_t clampIntervalSeconds(std::int32_t seconds);

struct ProgressValues {
  GbkString engineText;           // the engine box's text, whatever it holds
  std::int32_t keywordIndex = 0;  // the run's KeywordIndex; the file stores keywordIndex - 1
  bool dedupTicked = false;
  std::int32_t intervalSeconds = kIntervalMinSeconds;
};

// The settings a loaded file is applied to (the main window), one call per line.
struct ProgressTarget {
  virtual ~ProgressTarget() = default;
  virtual void setEngineText(const GbkString& text) = 0;
  virtual void setKeywordIndex(std::int32_t index) = 0;  // the stored value, without adding 1
  virtual void setDedupTicked(bool ticked) = 0;
  virtual void setIntervalSeconds(std::int32_t seconds) = 0;  // already clamped to 1..1000
};

// The four lines exactly as written (for tests and for SaveProgress).
GbkString progressFileBytes(const ProgressValues& values);

// Replaces the file atomically. Throws AppError with the I/O error text
// ("File access denied", "Disk full", ...); the old file survives any failure.
void SaveProgress(const QString& path, const ProgressValues& values);

// No file: nothing happens. A file that cannot be opened or read: AppError
// with the I/O error text and nothing applied. Otherwise the lines are applied
// in order; a line 2 or line 4 that is no integer throws the conversion error
// "'%s' is not a valid integer value" after the earlier lines took effect.
void LoadProgress(const QString& path, ProgressTarget& target);

// The same rules on bytes already read.
void applyProgressText(std::string_view text, ProgressTarget& target);

}  // namespace valo::files
