#pragma once

#include <QImage>
#include <QRect>

class QPainter;
class QPrinter;

namespace nvk::app::qt {

// Paints `picture` into `page` of `painter`: as large as the page allows with its proportions
// kept, centred, smoothly scaled. Returns the rectangle it filled (empty when nothing was
// painted).
QRect paintPictureOnPage(QPainter& painter, const QRect& page, const QImage& picture);

// Prints `picture` on one page of `printer` (already set up by the print dialog), scaled to the
// page's printable area. False when the printer could not be started or there is no picture.
bool printPicture(QPrinter& printer, const QImage& picture);

}  // namespace nvk::app::qt
