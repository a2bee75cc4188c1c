// Clearing the embedded browser's history and then its cache before every
// search. Failures are never reported and never stop the search.
#pragma once

namespace valo::env {

// The browser's own stores; the window layer implements them over the
// browser profile, tests over fakes.
class BrowserDataStore {
 public:
  virtual ~BrowserDataStore() = default;
  virtual void clearHistory() = 0;  // visited links and navigation history
  virtual void clearCache() = 0;    // every entry of the HTTP cache
};

// History first, then the cache, synchronously; any failure ends the
// clean-up quietly, so a history failure leaves the cache as it was.
void ClearBrowserData(BrowserDataStore& store) noexcept;

}  // namespace valo::env
