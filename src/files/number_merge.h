// The merge tool's file work: several number-list files joined byte for byte
// into one target, sorted by the user's locale with case ignored, without
// duplicate lines. The dialogs, cursor and status texts belong to the window.
#pragma once

#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/distinct_lines.h"
#include "text/app_error.h"

namespace valo::files {

class LineOrder;

// True when `target` names the same file as one of `sources` (links, "./"
// and ".." resolved; a target that does not exist yet compared by its clean
// absolute path). Merging into a source would destroy that source's content,
// so the window refuses the choice before anything is written.
bool targetIsAmongSources(const QStringList& sources, const QString& target);

struct MergeOutcome {
  std::int64_t lineCount = 0;     // lines of the merge list
  std::optional<AppError> error;  // shown after the count, when there is one
  bool targetWritten = false;     // the count is shown only when true
};

// Steps 5 to 12 of the Merge command. Nothing is done for an empty source
// list. The target is created first ("Cannot create file %s"; nothing is then
// read). Sources are joined in order, byte for byte; a source that cannot be
// opened ("Cannot open file %s") or read ("Stream read error") ends the
// joining, and what came before it is still merged and written. The target
// is replaced atomically, so a failed write ("Stream write error") leaves any
// former target as it was.
MergeOutcome MergeNumberLists(const QStringList& sources, const QString& target);

}  // namespace valo::files
