// The program's pictures: its icon (window, tray, desktop entry), the toolbar
// glyphs, and the raw bytes of the About window's JPEGs.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace valo::ui {

// The program icon at 16, 32 and 64 pixels.
QIcon programIcon();

// A 16 x 16 toolbar glyph with its Normal and Disabled pictures, by key:
// "search" 搜索, "stop" 终止, "save" 保存, "progress" 进程, "create" 创建,
// "merge" 合并, "home" 主页, "about" 关于, "exit" 退出; the keyword list
// builder's "builder-create" 创建, "builder-use" 启用, "builder-save" 保存;
// the clean-up window's "cleanup" 清理; "store" 号码库, "options" 选项 and "team"
// 团队队列. An unknown key gives a null icon.
QIcon glyph(const QString& key);

// Every key glyph() knows.
QStringList glyphKeys();

// The JPEG files of the About window: the 66 x 46 logo and the 188 x 18 banner.
QByteArray aboutLogoJpeg();
QByteArray aboutBannerJpeg();

}  // namespace valo::ui
