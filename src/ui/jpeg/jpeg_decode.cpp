// libjpeg reports fatal errors through error_exit, which must not return; the
// default one ends the process. Ours jumps back to the decoding frame instead.
// That frame holds only plain C data, so the jump skips no destructors; the
// image it fills belongs to the caller.
#include "ui/jpeg/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace valo::ui {
namespace {

// libjpeg-turbo writes Qt's 0xffRRGGBB words directly, its filler byte being
// 0xff; the byte order of such a word depends on the machine.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kQtRgb32Order = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kQtRgb32Order = JCS_EXT_XRGB;
#endif

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void jumpOut(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (corrupt data, premature end) are counted by libjpeg and judged
// after decoding; nothing is printed.
void stayQuiet(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}

// CMYK JPEGs in the wild come from Adobe's encoder, which stores the inks
// inverted (0 = full ink); libjpeg passes the samples through as stored.
int fromInvertedCmyk(int channel, int black) {
  return channel * black / 255;
}

// Returns false on a fatal libjpeg error or on corrupt data. `image` is
// allocated here once the size is known.
bool decodeInto(const unsigned char* data, unsigned long size, QImage* image) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = jumpOut;
  errors.base.emit_message = stayQuiet;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  jpeg_read_header(&info, TRUE);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : kQtRgb32Order;
  jpeg_start_decompress(&info);
  *image =
      QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB32);
  if (image->isNull()) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  JSAMPARRAY cmykRow = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                        info.output_width * 4, 1)
                            : nullptr;
  while (info.output_scanline < info.output_height) {
    auto* line = image->scanLine(static_cast<int>(info.output_scanline));
    if (!cmyk) {
      JSAMPROW row = line;
      jpeg_read_scanlines(&info, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&info, cmykRow, 1);
    auto* pixels = reinterpret_cast<QRgb*>(line);
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
      const JSAMPLE* p = cmykRow[0] + 4 * x;
      pixels[x] =
          qRgb(fromInvertedCmyk(p[0], p[3]), fromInvertedCmyk(p[1], p[3]), fromInvertedCmyk(p[2], p[3]));
    }
  }
  jpeg_finish_decompress(&info);
  const bool clean = errors.base.num_warnings == 0;
  jpeg_destroy_decompress(&info);
  return clean;
}

}  // namespace

QImage decodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) return QImage();
  QImage image;
  if (!decodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<unsigned long>(bytes.size()), &image))
    return QImage();
  return image;
}

}  // namespace valo::ui
