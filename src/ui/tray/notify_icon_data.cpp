// Reading the tip back out of the tray record.
#include "ui/tray/notify_icon_data.h"

#include <cstring>

namespace valo::ui {

GbkString NotifyIconData::tip() const {
  const auto* end = static_cast<const char*>(std::memchr(szTip.data(), '\0', szTip.size()));
  return GbkString(szTip.data(), end ? end : szTip.data() + szTip.size());
}

QString tipDisplayText(const GbkString& tip) {
  std::size_t whole = 0;
  while (whole < tip.size()) {
    std::size_t width = isGbkLeadByte(static_cast<unsigned char>(tip[whole])) ? 2 : 1;
    if (whole + width > tip.size()) break;
    whole += width;
  }
  return fromGbk(std::string_view(tip).substr(0, whole));
}

}  // namespace valo::ui
