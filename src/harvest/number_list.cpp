// The result list with its duplicate index.
#include "harvest/number_list.h"

namespace valo::harvest {

void NumberList::clear() {
  items_.clear();
  index_.clear();
}

bool NumberList::contains(std::string_view number) const {
  return index_.find(number) != index_.end();
}

void NumberList::append(GbkString number) {
  index_.insert(number);
  items_.push_back(std::move(number));
}

}  // namespace valo::harvest
