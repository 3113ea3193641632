#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRect;

// The program's picture, drawn rather than shipped: a dial face with a coin before it.
namespace AppIcon {
QPixmap Pixmap(int size);
QIcon Icon();
// The splash's logo: the picture with the program's name beside it, painted into `area`.
void PaintLogo(QPainter& painter, const QRect& area);
} // namespace AppIcon
