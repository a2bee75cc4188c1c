// Opening an address with the desktop's default handler (browser or mail
// program), as the home page, contact and link-label commands do. Tests swap
// the opener so that no browser starts.
#pragma once

#include <QUrl>
#include <functional>

namespace valo::ui {

// Hands `url` to the desktop. Returns false when no handler took it; callers
// that follow the program's rules do not report that to the user.
bool openUrl(const QUrl& url);

// Replaces the opener used by openUrl; nullptr restores the desktop's one.
void setUrlOpenerForTests(std::function<bool(const QUrl&)> opener);

}  // namespace valo::ui
