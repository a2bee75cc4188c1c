// The libjpeg decoder: the program's two pictures, the colour layouts it must
// read, and damaged data that must give a null image instead of a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include "ui/jpeg/jpeg_decode.h"
#include "ui/resources/icons.h"

namespace valo::ui {
namespace {

// Encodes a picture whose pixel (x, y) gives `components` samples.
QByteArray encode(int width, int height, J_COLOR_SPACE space, int components, bool progressive,
                  const std::function<std::vector<JSAMPLE>(int, int)>& pixel) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width; ++x) {
      const auto p = pixel(x, static_cast<int>(info.next_scanline));
      std::copy(p.begin(), p.end(), row.begin() + x * components);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return bytes;
}

// Four quadrants: red, green, blue, white.
std::vector<JSAMPLE> quadrants(int x, int y) {
  if (y < 16) return x < 16 ? std::vector<JSAMPLE>{255, 0, 0} : std::vector<JSAMPLE>{0, 255, 0};
  return x < 16 ? std::vector<JSAMPLE>{0, 0, 255} : std::vector<JSAMPLE>{255, 255, 255};
}

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
         std::abs(a.blue() - b.blue()) < 24;
}

TEST(JpegDecodeTest, TheProgramsPicturesDecodeAtTheirSizes) {
  const QImage logo = decodeJpeg(aboutLogoJpeg());
  const QImage banner = decodeJpeg(aboutBannerJpeg());
  EXPECT_EQ(logo.size(), QSize(66, 46));
  EXPECT_EQ(banner.size(), QSize(188, 18));
}

TEST(JpegDecodeTest, ColoursComeOutInTheirPlaces) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const QImage image = decodeJpeg(encode(32, 32, JCS_RGB, 3, progressive, quadrants));
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_TRUE(near(image.pixelColor(4, 4), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(28, 4), Qt::green));
    EXPECT_TRUE(near(image.pixelColor(4, 28), Qt::blue));
    EXPECT_TRUE(near(image.pixelColor(28, 28), Qt::white));
    EXPECT_EQ(image.pixelColor(28, 28).alpha(), 255);
  }
}

TEST(JpegDecodeTest, GreyAndCmykPicturesBecomeRgb) {
  const QImage grey = decodeJpeg(encode(16, 8, JCS_GRAYSCALE, 1, false, [](int x, int) {
    return std::vector<JSAMPLE>{JSAMPLE(x < 8 ? 40 : 200)};
  }));
  ASSERT_EQ(grey.size(), QSize(16, 8));
  EXPECT_TRUE(near(grey.pixelColor(2, 4), QColor(40, 40, 40)));
  EXPECT_TRUE(near(grey.pixelColor(13, 4), QColor(200, 200, 200)));

  // CMYK stored inverted as Adobe's encoder does: full cyan on the left,
  // full black ink on the right.
  const QImage cmyk = decodeJpeg(encode(16, 8, JCS_CMYK, 4, false, [](int x, int) {
    return x < 8 ? std::vector<JSAMPLE>{0, 255, 255, 255} : std::vector<JSAMPLE>{255, 255, 255, 0};
  }));
  ASSERT_EQ(cmyk.size(), QSize(16, 8));
  EXPECT_TRUE(near(cmyk.pixelColor(2, 4), Qt::cyan));
  EXPECT_TRUE(near(cmyk.pixelColor(13, 4), Qt::black));
}

TEST(JpegDecodeTest, DamagedDataGivesANullImage) {
  const QByteArray good = encode(32, 32, JCS_RGB, 3, false, quadrants);
  ASSERT_FALSE(decodeJpeg(good).isNull());
  QByteArray zeroWidth = good;
  // The frame header (FFC0) carries the height and width after length and precision.
  const qsizetype sof = zeroWidth.indexOf(QByteArray("\xFF\xC0", 2));
  ASSERT_GT(sof, 0);
  zeroWidth[sof + 7] = 0;
  zeroWidth[sof + 8] = 0;
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"empty", QByteArray()},
      {"not a JPEG", QByteArray("GIF89a this is no JPEG at all")},
      {"start marker only", good.left(2)},
      {"cut inside the headers", good.left(40)},
      {"cut inside the picture data", good.left(good.size() / 2)},
      {"zero width", zeroWidth},
      {"PNG data", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(decodeJpeg(c.bytes).isNull()) << c.name;
  }
}

}  // namespace
}  // namespace valo::ui
