// Timed program: query composition for every engine, and the page step of a
// search, from "page text available" to "next request issued", on a 200 KB
// GBK result page with 100,000 numbers already listed and duplicates dropped.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../support/quiet_run_window.h"
#include "env/browser_control.h"
#include "harvest/fax_extractor.h"
#include "search/engine_table.h"
#include "search/query_encoding.h"
#include "search/run_driver.h"
#include "text/gbk.h"

using namespace valo;
using Clock = std::chrono::steady_clock;

namespace {

struct Browser : env::BrowserControl {
  int navigations = 0;
  void Navigate(const std::string&) override { ++navigations; }
  bool hasDocument() const override { return true; }
  void readBodyText(std::function<void(env::PageText)>) override {}
};

// About 200 KB of result-page text: entries with titles, snippets, addresses
// and phone and fax lines, and the pager at the end.
GbkString resultPage(int seed) {
  GbkString page;
  int i = 0;
  while (page.size() < 200 * 1024) {
    page += gbk("深圳市某某机械设备有限公司 - 专业生产各类工业机械，欢迎来电咨询\r\n");
    page += gbk("地址：深圳市宝安区某某工业园 邮编：518000 网址：www.example.com/company/") +
            std::to_string(i) + "\r\n";
    page += gbk("电话：0755-2") + std::to_string(1000000 + i) + "\r\n";
    page += gbk("传真：0755-8") + std::to_string(1000000 + seed * 1000 + i) + "\r\n";
    ++i;
  }
  page += gbk("<上一页 1 2 3 4 5 6 7 8 9 10 下一页>\r\n");
  return page;
}

double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  // Query composition.
  {
    search::TNMURL encoder;
    const GbkString keyword = gbk("深圳 机械 传真:");
    const int rounds = 200000;
    std::size_t total = 0;
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
      for (const search::SearchEngine& e : search::engineTable()) {
        const std::string head =
            search::composeQueryHead(e, search::EncodeQueryKeyword(encoder, keyword, e.encoding));
        total += (head + search::composeQueryTail(e, r % 50, search::RequestKind::PageReader)).size();
      }
    }
    const double elapsed = ms(Clock::now() - start);
    std::printf("query composition: %.0f addresses/s (%zu bytes)\n", rounds * 10 / (elapsed / 1000), total);
  }

  // The page step.
  bench::QuietRunWindow window(gbk("深圳 机械 传真:\r\n上海 食品 FAX:\r\n"), true);
  for (int i = 0; i < 100000; ++i) window.list.append("020-" + std::to_string(30000000 + i));
  Browser browser;
  bench::NullTimer t1, t2, t3;
  bench::QuietServices services(window);
  search::SearchRunDriver driver(window, browser, t1, t2, t3, services, services.engines);
  driver.state().KeywordIndex = 1;
  driver.state().PageIndex = 1;
  std::vector<double> times;
  for (int run = 0; run < 30; ++run) {
    env::PageText page{true, resultPage(run), nullptr};
    driver.state().PageIndex = 1;
    const auto start = Clock::now();
    driver.ProcessResultPage(page);
    times.push_back(ms(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "page step (200 KB page, %zu numbers listed, dedup on): median %.2f ms, best %.2f ms, worst %.2f ms\n",
      window.list.size(), times[times.size() / 2], times.front(), times.back());
  std::printf("requests issued: %d\n", browser.navigations);
  return 0;
}
