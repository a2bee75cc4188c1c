// Decoding the About window's JPEG pictures with libjpeg, called directly.
#pragma once

#include <QByteArray>
#include <QImage>

namespace valo::ui {

// Decodes baseline or progressive JPEG data (grey, YCbCr/RGB or CMYK) into an
// RGB32 image. Data that libjpeg rejects or reports as corrupt or truncated
// gives a null image; it never ends the process.
QImage decodeJpeg(const QByteArray& bytes);

}  // namespace valo::ui
