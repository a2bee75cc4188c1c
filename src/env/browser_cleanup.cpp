// See browser_cleanup.h.
#include "env/browser_cleanup.h"

namespace valo::env {

void ClearBrowserData(BrowserDataStore& store) noexcept {
  try {
    store.clearHistory();
    store.clearCache();
  } catch (...) {
    // A failed clean-up must not keep a search from starting.
  }
}

}  // namespace valo::env
