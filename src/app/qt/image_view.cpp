#include "app/qt/image_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <cstring>

#include "app/display_builder.h"
#include "base/parallel_rows.h"

namespace nvk::app::qt {

ImageView::ImageView(Program& program, QWidget* parent)
    : QAbstractScrollArea(parent), program_(program) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);  // "Show Values" follows the mouse without a button
  // Units of one pixel; until the first picture the range of an empty window.
  horizontalScrollBar()->setSingleStep(16);
  verticalScrollBar()->setSingleStep(16);
  horizontalScrollBar()->setRange(0, 1200);
  verticalScrollBar()->setRange(0, 1000);
}

void ImageView::setPicture() {
  const image::DisplayImage& d = program_.display;
  const QImage::Format format = d.colour ? QImage::Format_RGB888 : QImage::Format_Indexed8;
  // A grey and a colour picture keep their memory from one picture to the next of the same size
  // (a fresh full frame costs page faults on every byte, and a colour synthesis follows an
  // opened grey frame); rows are copied, as the clipboard and the printer may still hold the
  // last picture.
  QImage& kept = d.colour ? colourPicture_ : greyPicture_;
  picture_ = QImage();  // so that writing to the kept picture does not copy it first
  if (kept.width() != d.width || kept.height() != d.height || kept.format() != format)
    kept = QImage(d.width, d.height, format);
  const std::size_t rowBytes = static_cast<std::size_t>(d.width) * (d.colour ? 3 : 1);
  const std::uint8_t* source = d.colour ? d.rgb.data() : d.pixels.data();
  // Both cores copy rows; the image's memory is taken once, here, as scanLine() may detach.
  std::uint8_t* bits = kept.bits();
  const auto stride = static_cast<std::size_t>(kept.bytesPerLine());
  base::onBothHalves(0, d.height, [&](int, long begin, long end) {
    for (long y = begin; y < end; ++y) {
      std::memcpy(bits + static_cast<std::size_t>(y) * stride,
                  source + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }
  });
  if (!d.colour) {
    QList<QRgb> colours;
    colours.reserve(256);
    for (const auto& c : d.palette)
      colours.push_back(qRgb(c.r, c.g, c.b));
    kept.setColorTable(colours);
  }
  picture_ = kept;
  fitted_ = QPixmap();
  viewport()->update();
}

void ImageView::setBackground(const QColor& colour) {
  background_ = colour;
  viewport()->update();
}

void ImageView::setSubFrameOutline(bool shown) {
  subFrameOutline_ = shown;
  viewport()->update();
}

void ImageView::updateScrollRange(bool reset) {
  const QSize client = viewport()->size();
  const bool fit = program_.displayOptions.fitToWindow;
  const ScrollRange range = hasPicture() ? scrollRange(fit, picture_.width(), picture_.height(),
                                                       client.width(), client.height())
                                         : ScrollRange{};
  horizontalScrollBar()->setRange(0, range.x);
  verticalScrollBar()->setRange(0, range.y);
  horizontalScrollBar()->setPageStep(client.width());
  verticalScrollBar()->setPageStep(client.height());
  if (reset || (range.x == 0 && range.y == 0)) {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
  }
  fitted_ = QPixmap();
  viewport()->update();
}

double ImageView::scaleX() const {
  if (!program_.displayOptions.fitToWindow || !hasPicture()) return 1.0;
  return static_cast<double>(viewport()->width()) / picture_.width();
}

double ImageView::scaleY() const {
  if (!program_.displayOptions.fitToWindow || !hasPicture()) return 1.0;
  return static_cast<double>(viewport()->height()) / picture_.height();
}

QPoint ImageView::displayPoint(const QPoint& p) const {
  if (program_.displayOptions.fitToWindow && hasPicture()) {
    return {static_cast<int>(p.x() / scaleX()), static_cast<int>(p.y() / scaleY())};
  }
  return {p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value()};
}

QPointF ImageView::viewportPoint(double x, double y) const {
  if (program_.displayOptions.fitToWindow && hasPicture()) return {x * scaleX(), y * scaleY()};
  return {x - horizontalScrollBar()->value(), y - verticalScrollBar()->value()};
}

void ImageView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QRect client = viewport()->rect();
  if (!hasPicture()) {
    painter.fillRect(client, background_);
    return;
  }
  if (program_.displayOptions.fitToWindow) {
    if (fitted_.size() != client.size()) {
      fitted_ = QPixmap::fromImage(picture_).scaled(client.size(), Qt::IgnoreAspectRatio,
                                                    Qt::SmoothTransformation);
    }
    painter.drawPixmap(0, 0, fitted_);
  } else {
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    // Only the part in view is converted for the screen, not the whole frame.
    painter.drawImage(QPoint(0, 0), picture_, QRect(sx, sy, client.width(), client.height()));
    const int right = picture_.width() - sx;
    const int bottom = picture_.height() - sy;
    if (right < client.width()) {
      painter.fillRect(QRect(right, 0, client.width() - right, client.height()), background_);
    }
    if (bottom < client.height()) {
      painter.fillRect(QRect(0, bottom, std::min(right, client.width()), client.height() - bottom),
                       background_);
    }
  }
  drawOverlays(painter);
  painter.end();
  if (onPainted) onPainted();
}

void ImageView::drawOverlays(QPainter& painter) {
  const int scale = displayToFullScale(program_.state.binned, program_.halfSizeDisplay);
  auto cross = [&](const image::ImagePoint& at, int arm, const QColor& colour) {
    painter.setPen(QPen(colour, 1));
    const QPointF c =
        viewportPoint(static_cast<double>(at.x) / scale, static_cast<double>(at.y) / scale);
    painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
  };
  if (program_.displayOptions.guideStarCross) {
    cross(*program_.displayOptions.guideStarCross, 20, QColor(255, 64, 64));
  }
  if (program_.displayOptions.trackingCross) {
    cross(*program_.displayOptions.trackingCross, 15, QColor(64, 255, 64));
  }
  if (subFrameOutline_) {
    const DisplayRect r = subFrameOutline(program_);
    const QPointF topLeft = viewportPoint(r.left, r.top);
    const QPointF bottomRight = viewportPoint(r.left + r.width, r.top + r.height);
    painter.setPen(QPen(QColor(255, 255, 0), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(topLeft, bottomRight));
  }
}

void ImageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRange(false);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && onLeftClick) {
    const QPoint p = displayPoint(event->position().toPoint());
    onLeftClick(p.x(), p.y());
  } else if (event->button() == Qt::RightButton && onRightClick) {
    const QPoint p = displayPoint(event->position().toPoint());
    onRightClick(p.x(), p.y());
  }
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  if (onMouseMove) {
    const QPoint p = displayPoint(event->position().toPoint());
    onMouseMove(p.x(), p.y());
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void ImageView::scrollContentsBy(int, int) {
  viewport()->update();
}

}  // namespace nvk::app::qt
