// The system calls the program's own files are written with, shared by the
// atomic replace and the per-search result files: a write that keeps going
// until every byte is out, and the flush that makes a new name durable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace valo::files {

// Writes all of `bytes`, again after an interrupted call. Returns 0 or the
// errno of the failure; a write that stops short without an error reports
// ENOSPC. `written`, when given, gets the bytes that reached the file, so a
// caller can keep the rest for later.
int writeAll(int fd, std::string_view bytes, std::size_t* written = nullptr);

// Writes all of `bytes` at file offset `offset` (pwrite), with the same
// results as writeAll.
int writeAllAt(int fd, std::string_view bytes, long long offset);

// Flushes a folder's entries (`folder` in the local encoding), so that a name
// just made or renamed there survives a power cut. Best effort.
void syncFolder(const std::string& folder);

}  // namespace valo::files
