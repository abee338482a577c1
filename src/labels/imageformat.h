#pragma once
#include <QByteArray>

namespace pelorin {

// The image format a picture file's first bytes announce ("bmp", "png", "jpeg", "gif", "ico"), for
// QImageReader: a reader given its format loads that one plugin instead of asking every installed one
// whether it can read the file. Empty when the bytes announce none of them (the reader then asks).
QByteArray imageFormat(const QByteArray& bytes);

} // namespace pelorin
