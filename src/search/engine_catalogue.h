// The engines a search can use: the built-in table's rows, then those of the
// user's engines file as last loaded. One catalogue is handed to whatever
// looks an engine up, so two windows (or two tests) never share a hidden
// global list.
#pragma once

#include <string_view>

#include "search/engine_file.h"
#include "search/engine_table.h"

namespace valo::search {

class EngineCatalogue {
 public:
  EngineCatalogue() = default;
  EngineCatalogue(const EngineCatalogue&) = delete;
  EngineCatalogue& operator=(const EngineCatalogue&) = delete;

  // Exact, case-sensitive match of the engine box's whole text with a home
  // address, the table's rows first; nullptr when none matches.
  const SearchEngine* find(std::string_view engineBoxText) const;

  // Replaces the file's engines. Rows of the previous set must no longer be
  // held (the run looks its engine up afresh at every step).
  void replaceFileEngines(FileEngines engines) { fileEngines_ = std::move(engines); }
  const FileEngines& fileEngines() const { return fileEngines_; }
  FileEngines releaseFileEngines() { return std::move(fileEngines_); }

 private:
  FileEngines fileEngines_;
};

}  // namespace valo::search
