// Fuzz target: the engines file reader. Whatever the bytes (a user edits
// this file by hand, in any editor), reading it never crashes, and what it
// lets in is sound: every engine's home is "http://" or "https://" and a host,
// none repeats another's or a built-in row's, every engine composes its query
// addresses for the first pages, and a second read of the same bytes gives
// the same engines and the same faults.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "search/engine_file.h"
#include "search/engine_table.h"

namespace {

using namespace valo::search;

bool builtInHome(std::string_view home) {
  for (const SearchEngine& row : engineTable()) {
    if (row.homeAddress == home) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const EngineFileContents first = parseEngineFile(bytes);

  std::set<std::string_view> homes;
  for (const auto& engine : first.engines) {
    const SearchEngine& row = engine->row();
    const std::string_view home = row.homeAddress;
    const std::string_view host = home.starts_with("https://") ? home.substr(8)
                                  : home.starts_with("http://") ? home.substr(7)
                                                                : std::string_view();
    FUZZ_CHECK(!host.empty());
    FUZZ_CHECK(host.find('/') == std::string_view::npos);
    FUZZ_CHECK(!builtInHome(home));
    FUZZ_CHECK(homes.insert(home).second);
    for (std::int32_t page = 0; page < 3; ++page) {
      const std::string address = composeQueryHead(row, "k") + composeQueryTail(row, page, RequestKind::PageReader);
      FUZZ_CHECK(address.starts_with(row.scheme));
    }
  }
  if (!first.problems.empty()) {
    const QString told = describeProblems(first.problems);
    FUZZ_CHECK(!told.isEmpty());
  }

  const EngineFileContents again = parseEngineFile(bytes);
  FUZZ_CHECK(again.engines.size() == first.engines.size());
  FUZZ_CHECK(again.problems.size() == first.problems.size());
  for (std::size_t i = 0; i < first.engines.size(); ++i) {
    FUZZ_CHECK(again.engines[i]->row().homeAddress == first.engines[i]->row().homeAddress);
    FUZZ_CHECK(again.engines[i]->section() == first.engines[i]->section());
  }
  return 0;
}
