// See engine_catalogue.h.
#include "search/engine_catalogue.h"

namespace valo::search {

const SearchEngine* EngineCatalogue::find(std::string_view text) const {
  if (const SearchEngine* row = FindEngine(text)) return row;
  for (const auto& e : fileEngines_) {
    if (e->row().homeAddress == text) return &e->row();
  }
  return nullptr;
}

}  // namespace valo::search
