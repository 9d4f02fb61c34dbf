#include "app/qt/qt_text.h"

#include <QImage>

namespace nvk::app::qt {

QPixmap pixmapOf(const files::Bitmap& bitmap) {
  QImage image(bitmap.pixels.data(), bitmap.width, bitmap.height, bitmap.width,
               QImage::Format_Indexed8);
  QList<QRgb> colours;
  for (const auto& c : bitmap.palette)
    colours.push_back(qRgb(c.r, c.g, c.b));
  image.setColorTable(colours);
  return QPixmap::fromImage(image.copy());
}

}  // namespace nvk::app::qt
