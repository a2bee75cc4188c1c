// Stand-ins for the run's window and timers in benchmarks that drive the run
// driver: a window that lists numbers into a plain list and shows nothing,
// over a fixed keyword list, timers that only remember their settings, and
// services that do nothing.
#pragma once

#include <optional>

#include "harvest/fax_extractor.h"
#include "harvest/number_list.h"
#include "search/engine_catalogue.h"
#include "search/run_ports.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace valo::bench {

struct NullTimer : search::RunTimer {
  bool on = false;
  int ms = 0;
  void setEnabled(bool e) override { on = e; }
  bool enabled() const override { return on; }
  void setInterval(int m) override { ms = m; }
  int interval() const override { return ms; }
};

struct QuietRunWindow : search::RunWindow {
  QuietRunWindow(GbkString keywordText, bool dedup) : keywords(std::move(keywordText)), sink(list, dedup) {}

  TextLines keywords;
  harvest::NumberList list;
  harvest::NumberListSink sink;
  int keywordLineCount() override { return keywords.count(); }
  GbkString keywordLine(int i) override { return GbkString(keywords.line(i)); }
  GbkString engineText() override { return "http://www.baidu.com"; }
  std::int32_t intervalSeconds() override { return 8; }
  void setStatusText(int, const GbkString&) override {}
  void repaintWindow() override {}
  void clearResultList() override {}
  void showInformation(const GbkString&) override {}
  void showMessage(const GbkString&) override {}
  std::optional<GbkString> inputQuery(const GbkString&, const GbkString&, const GbkString&) override {
    return std::nullopt;
  }
};

// The run's services doing nothing, over the window's list and an engine
// catalogue of the table alone.
struct QuietServices : search::RunServices {
  explicit QuietServices(QuietRunWindow& w) : window(w) {}
  QuietRunWindow& window;
  search::EngineCatalogue engines;
  std::string localAddress() override { return "192.0.2.1"; }
  void clearBrowserData() override {}
  void saveProgress() override {}
  void pause(int) override {}
  harvest::ExtractionSink& resultSink() override { return window.sink; }
};

}  // namespace valo::bench
