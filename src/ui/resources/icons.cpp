// Pictures from the compiled-in resource file. The file is part of a static
// library, so its registration is pulled in explicitly before first use.
#include "ui/resources/icons.h"

#include <QFile>
#include <QPixmap>

static void initValoPictures() {
  Q_INIT_RESOURCE(valo_pictures);
}

namespace valo::ui {
namespace {

void ensureResources() {
  static const bool done = (initValoPictures(), true);
  (void)done;
}

QByteArray readResource(const QString& path) {
  ensureResources();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
}

}  // namespace

QIcon programIcon() {
  ensureResources();
  const QPixmap small(QStringLiteral(":/valo/program-32.png"));
  QIcon icon;
  icon.addPixmap(small.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  icon.addPixmap(small);
  icon.addPixmap(QPixmap(QStringLiteral(":/valo/program-64.png")));
  return icon;
}

QStringList glyphKeys() {
  return {QStringLiteral("search"),         QStringLiteral("stop"),        QStringLiteral("save"),
          QStringLiteral("progress"),       QStringLiteral("create"),      QStringLiteral("merge"),
          QStringLiteral("home"),           QStringLiteral("about"),       QStringLiteral("exit"),
          QStringLiteral("builder-create"), QStringLiteral("builder-use"), QStringLiteral("builder-save"),
          QStringLiteral("cleanup"),        QStringLiteral("store"),       QStringLiteral("options"),
          QStringLiteral("team")};
}

QIcon glyph(const QString& key) {
  if (!glyphKeys().contains(key)) return QIcon();
  ensureResources();
  const QString base = QStringLiteral(":/valo/glyphs/") + key;
  QIcon icon;
  icon.addPixmap(QPixmap(base + QStringLiteral(".png")), QIcon::Normal);
  icon.addPixmap(QPixmap(base + QStringLiteral("-disabled.png")), QIcon::Disabled);
  return icon;
}

QByteArray aboutLogoJpeg() {
  return readResource(QStringLiteral(":/valo/about-logo.jpg"));
}

QByteArray aboutBannerJpeg() {
  return readResource(QStringLiteral(":/valo/about-banner.jpg"));
}

}  // namespace valo::ui
