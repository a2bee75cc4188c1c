// Search engines from the user's engines file "valofaxengines.ini": UTF-8
// INI text, one section per engine. Each section becomes a row like the
// table's, found by the engine catalogue after the ten built-in rows, so the run
// composes, pages, caps and refuses on it the same way. The file is only
// ever read; a section with a fault is left out and the fault reported.
#pragma once

#include <QString>
#include <memory>
#include <string_view>
#include <vector>

#include "search/engine_table.h"
#include "text/gbk.h"

namespace valo::search {

// A file engine's next-page rule and extra verification texts, in GBK.
struct FileEngineRules {
  std::vector<GbkString> nextTexts;  // a passing line contains one of them
  GbkString nextStart;               // when set, the trimmed line begins with it
  std::vector<GbkString> verifyTexts;
};

// One engine of the file. It owns the texts its row points into, so it is
// kept at a fixed address (held by unique_ptr) for as long as a catalogue holds it.
class FileEngine {
 public:
  FileEngine(std::string section, std::string home, std::string scheme, std::string host, std::string pathHead,
             std::string pageKey, std::string suffix, PageNumberRule pageNumber, KeywordEncoding encoding,
             std::int32_t cap, FileEngineRules rules);
  FileEngine(const FileEngine&) = delete;
  FileEngine& operator=(const FileEngine&) = delete;

  const SearchEngine& row() const { return row_; }
  const std::string& section() const { return section_; }  // UTF-8
  const FileEngineRules& rules() const { return rules_; }

 private:
  std::string section_, home_, scheme_, host_, pathHead_, pageKey_, suffix_;
  FileEngineRules rules_;
  SearchEngine row_;
};

using FileEngines = std::vector<std::unique_ptr<FileEngine>>;

// A fault of the file, for the user: where it is and what is wrong.
struct EngineFileProblem {
  int line = 0;      // 1-based; 0 for the file as a whole or a missing key
  QString section;   // empty outside any section
  QString key;       // empty when no key is concerned
  QString what;      // in Chinese
};

struct EngineFileContents {
  FileEngines engines;  // the good sections, in file order
  std::vector<EngineFileProblem> problems;
};

// Reads the file's bytes. Sections with a fault are left out; every fault is
// listed. Homes equal to a built-in row's, or to an earlier section's, are
// refused.
EngineFileContents parseEngineFile(std::string_view bytes);

// Reads the file at `path`: no file gives no engines and no problem; a file
// that cannot be read gives one problem.
EngineFileContents loadEngineFile(const QString& path);

// One message for all problems, one line each: "[节] 键：问题（第N行）".
QString describeProblems(const std::vector<EngineFileProblem>& problems);

// The example file the program ships and copies to the data folder when the
// user has none: UTF-8 text.
std::string_view exampleEngineFile();

}  // namespace valo::search
