// The program icon and the toolbar glyphs.
#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include "ui/resources/icons.h"

namespace valo::ui {
namespace {

// The sixteen colours of the classic palette.
bool isPaletteColour(QRgb c) {
  static const QSet<QRgb> palette = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return palette.contains(c | 0xFF000000u);
}

TEST(IconsTest, ProgramIconHasItsSizesInSixteenColours) {
  const QIcon icon = programIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(32, 32)));
  EXPECT_TRUE(sizes.contains(QSize(64, 64)));
  const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.size(), QSize(32, 32));
  int opaque = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const QRgb c = image.pixel(x, y);
      if (qAlpha(c) == 0) continue;
      ++opaque;
      EXPECT_EQ(qAlpha(c), 255);
      EXPECT_TRUE(isPaletteColour(c)) << x << "," << y;
    }
  EXPECT_GT(opaque, 300);
}

TEST(IconsTest, EveryGlyphHasANormalAndAGreyDisabledPicture) {
  const QStringList keys = glyphKeys();
  EXPECT_EQ(keys.size(), 16);
  for (const QString& key : keys) {
    SCOPED_TRACE(key.toStdString());
    const QIcon icon = glyph(key);
    ASSERT_FALSE(icon.isNull());
    const QImage normal = icon.pixmap(16, 16, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage disabled =
        icon.pixmap(16, 16, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(normal.size(), QSize(16, 16));
    ASSERT_EQ(disabled.size(), QSize(16, 16));
    EXPECT_NE(normal, disabled);
    int coloured = 0;
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const QRgb n = normal.pixel(x, y);
        if (qAlpha(n) != 0) {
          EXPECT_TRUE(isPaletteColour(n)) << x << "," << y;
        }
        const QRgb d = disabled.pixel(x, y);
        if (qAlpha(d) == 0) continue;
        ++drawn;
        if (qRed(d) != qGreen(d) || qGreen(d) != qBlue(d)) ++coloured;
      }
    EXPECT_GT(drawn, 10);
    EXPECT_EQ(coloured, 0);
  }
}

TEST(IconsTest, GlyphsDifferFromEachOther) {
  QSet<QByteArray> seen;
  for (const QString& key : glyphKeys()) {
    const QImage image = glyph(key).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
  }
  EXPECT_EQ(seen.size(), glyphKeys().size());
}

TEST(IconsTest, UnknownGlyphIsNull) {
  EXPECT_TRUE(glyph(QStringLiteral("搜索")).isNull());
  EXPECT_TRUE(glyph(QString()).isNull());
}

}  // namespace
}  // namespace valo::ui
