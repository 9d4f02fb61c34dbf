#include "app/qt/print_picture.h"

#include <QPainter>
#include <QPrinter>

#include "app/print_layout.h"

namespace nvk::app::qt {

QRect paintPictureOnPage(QPainter& painter, const QRect& page, const QImage& picture) {
  if (picture.isNull()) return {};
  const PageRect placed =
      placeOnPage(picture.width(), picture.height(), page.width(), page.height());
  const QRect target(page.x() + placed.x, page.y() + placed.y, placed.width, placed.height);
  if (target.isEmpty()) return {};
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, picture);
  return target;
}

bool printPicture(QPrinter& printer, const QImage& picture) {
  if (picture.isNull()) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The painter's origin is the top-left corner of the printable area.
  const QRect printable(QPoint(0, 0),
                        printer.pageLayout().paintRectPixels(printer.resolution()).size());
  paintPictureOnPage(painter, printable, picture);
  return painter.end();
}

}  // namespace nvk::app::qt
