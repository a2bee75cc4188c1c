// The engines' next-page rules; see next_page_rules.h.
#include "search/next_page_rules.h"

#include <algorithm>
#include <string>

#include "search/engine_file.h"

#include "text/gbk.h"
#include "text/text_lines.h"

namespace valo::search {
namespace {

struct Markers {
  std::string next = gbk("下一页");
  std::string nextGt = gbk("下一页>");
  std::string nextGtGt = gbk("下一页>>");
  std::string bracketNext = gbk("] 下一页");
  std::string prev = gbk("上一页");
  std::string ltPrev = gbk("<上一页");
  std::string ltLtPrev = gbk("<<上一页");
};

const Markers& markers() {
  static const Markers m;
  return m;
}

bool contains(std::string_view line, std::string_view marker) {
  return line.find(marker) != std::string_view::npos;
}

}  // namespace

bool linePassesNextPageRule(Service service, std::string_view line) {
  const Markers& m = markers();
  switch (service) {
    case Service::Sogou:
      return contains(line, m.nextGtGt) && contains(line, "[") && contains(line, "]") &&
             (line.starts_with(m.ltLtPrev) || line.find('1') == 2);
    case Service::YahooChina: {
      if (!contains(line, m.next)) return false;
      const std::string_view trimmed = trimBlanks(line);
      return trimmed.starts_with(m.prev) || trimmed.starts_with('1');
    }
    case Service::Baidu:
      return contains(line, m.nextGt) && (line.starts_with(m.ltPrev) || line.starts_with('1'));
    case Service::Soso:
      return contains(line, m.nextGt);
    case Service::Gougou:
    case Service::Zhongsou:
      return contains(line, m.bracketNext);
    case Service::GoogleHK:
    case Service::Youdao:
    case Service::LiveSearch:
    case Service::Search114:
      return contains(line, m.next);
    case Service::FromFile:
      return false;
  }
  return false;
}

bool linePassesNextPageRule(const SearchEngine& engine, std::string_view line) {
  const FileEngineRules* rules = engine.fileRules;
  if (rules == nullptr) return linePassesNextPageRule(engine.service, line);
  const bool marked = std::any_of(rules->nextTexts.begin(), rules->nextTexts.end(),
                                  [&](const GbkString& t) { return contains(line, t); });
  return marked && (rules->nextStart.empty() || trimBlanks(line).starts_with(rules->nextStart));
}

}  // namespace valo::search
