#pragma once
#include <QImage>
#include <QString>

class QIODevice;

// PNG files of pages: a page of 8.7 million pixels at 300 dpi is mostly white, with black bars and
// text, sometimes a coloured logo. It is written in as few bytes per pixel as hold it exactly
// (8-bit grey, else a palette of at most 256 colours, else 24-bit colour), with the quick filter and
// compression levels that such an image needs, straight from the painted rows.
namespace pelorin::report {

// Writes `image` (Format_RGB32) as PNG to `device`, its resolution kept. False, with the reason in
// `error`, when the device refuses the bytes.
bool writePng(const QImage& image, QIODevice& device, QString* error);

} // namespace pelorin::report
