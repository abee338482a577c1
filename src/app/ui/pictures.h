#pragma once
#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's own pictures, drawn at run time so that no third-party art ships with it.
namespace pelorin {

// The splash window's picture, 498 by 325 pixels.
QPixmap splashPicture();
// The program's emblem (window icon, about box): a label with its barcode, `side` pixels square.
QPixmap emblemPicture(int side);
QIcon programIcon();
// The manual view's decorative picture: a label sheet with a code being typed.
QPixmap labelPicture(const QSize& size);

} // namespace pelorin
