// The ten search engines as one table of data: how each is selected, how its
// query addresses are composed, where its page counter starts, how its
// keyword is encoded and where its pages stop.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace valo::search {

enum class Service {
  Baidu,
  GoogleHK,
  YahooChina,
  Soso,
  Sogou,
  Gougou,
  Youdao,
  LiveSearch,
  Zhongsou,
  Search114,
  FromFile  // an engine of the user's engines file
};

// Utf8Url only for engines of the engines file: UTF-8, unreserved
// characters kept, every other byte "%XX".
enum class KeywordEncoding { GbkUrl, Plain, Utf8Percent, Utf8Url };

// How the number after the page key follows from PageIndex.
enum class PageNumberRule { Index, IndexTimes10, IndexTimes10Plus1, IndexPlus1 };

// What the page cap is compared with.
enum class PageMeasure { Index, IndexTimes10 };

// Only Gougou's suffix depends on who issues the request.
enum class RequestKind { First, PageReader };

struct FileEngineRules;  // engine_file.h

struct SearchEngine {
  Service service;
  std::string_view name;
  std::string_view homeAddress;  // the selection key, also what the progress file stores
  std::string_view queryHost;
  std::string_view pathHead;
  std::string_view pageKey;
  PageNumberRule pageNumber;
  std::string_view firstSuffix;   // suffix of the first request of a search
  std::string_view readerSuffix;  // suffix of every request the page reader issues
  std::int32_t firstPageIndex;
  KeywordEncoding encoding;
  PageMeasure measure;
  std::int32_t pageCap;
  // Engines of the engines file may ask for https; the table's never do.
  std::string_view scheme = "http://";
  // The next-page rule and extra verification texts of a file's engine;
  // null for the table's rows, whose rules go by `service`.
  const FileEngineRules* fileRules = nullptr;
};

const std::array<SearchEngine, 10>& engineTable();

// Exact, case-sensitive match of the whole text with a home address of the
// table's rows; nullptr when none matches (no trimming, no trailing-slash
// tolerance). The engines file's rows are found through an EngineCatalogue.
const SearchEngine* FindEngine(std::string_view engineBoxText);

// scheme ("http://" for the table) + query host + path head + encoded keyword + page key.
std::string composeQueryHead(const SearchEngine& engine, std::string_view encodedKeyword);

// Page number in decimal + the suffix for the request kind.
std::string composeQueryTail(const SearchEngine& engine, std::int32_t PageIndex, RequestKind kind);

// The value the page cap is compared with after a page has been read.
std::int64_t pageMeasure(const SearchEngine& engine, std::int32_t PageIndex);

// True when the page measure has reached the engine's cap.
inline bool pageCapReached(const SearchEngine& engine, std::int32_t PageIndex) {
  return pageMeasure(engine, PageIndex) >= engine.pageCap;
}

}  // namespace valo::search
