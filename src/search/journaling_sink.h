// The result list as the page reader fills it: every number that goes into the
// list is also handed to the autosave of the search.
#pragma once

#include <functional>

#include "harvest/fax_extractor.h"

namespace valo::search {

class JournalingSink : public harvest::ExtractionSink {
 public:
  JournalingSink(harvest::ExtractionSink& list, const std::function<void(const GbkString&)>& record)
      : list_(list), record_(record) {}

  bool dedupTicked() override { return list_.dedupTicked(); }
  bool hasCaption(std::string_view number) override { return list_.hasCaption(number); }
  void addNumber(const GbkString& number) override {
    list_.addNumber(number);
    if (record_) record_(number);
  }
  void showFoundCount(std::int32_t count) override { list_.showFoundCount(count); }
  void expectNumber(std::string_view number) override { list_.expectNumber(number); }
  bool knownBefore(std::string_view number) override { return list_.knownBefore(number); }
  void sighted(const GbkString& number, std::string_view line, harvest::Sighting what) override {
    list_.sighted(number, line, what);
  }
  bool wideReading() override { return list_.wideReading(); }

 private:
  harvest::ExtractionSink& list_;
  const std::function<void(const GbkString&)>& record_;
};

}  // namespace valo::search
