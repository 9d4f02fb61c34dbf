#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <functional>
#include <optional>
#include <vector>

#include "app/picks.h"
#include "app/program.h"

namespace nvk::app::qt {

// The client area of the main window: paints the picture 1:1 at the scroll offset or stretched
// to fit, the overlays on top, and reports left-button clicks in display pixels.
class ImageView final : public QAbstractScrollArea {
  Q_OBJECT

 public:
  ImageView(Program& program, QWidget* parent);

  // Takes the freshly built display image of the program.
  void setPicture();
  bool hasPicture() const { return !picture_.isNull(); }
  // The picture as the clipboard gets it: the indexed image with its palette, or RGB.
  const QImage& picture() const { return picture_; }

  void setBackground(const QColor& colour);
  void setSubFrameOutline(bool shown);
  // Scroll range after a redraw request; `reset` scrolls to the origin.
  void updateScrollRange(bool reset);

  // Display pixel under a viewport position (through the fit-to-window scaling or the scroll
  // offset); may lie outside the picture.
  QPoint displayPoint(const QPoint& viewportPosition) const;
  // Viewport position of a display pixel.
  QPointF viewportPoint(double x, double y) const;

  // Called with the display pixel of every left-button release.
  std::function<void(int x, int y)> onLeftClick;
  // Called with the display pixel of every right-button release (the merging picks).
  std::function<void(int x, int y)> onRightClick;
  // Called with the display pixel under the mouse whenever it moves over the view.
  std::function<void(int x, int y)> onMouseMove;
  // Called when a paint of the picture has finished (the click-to-picture timing watches it).
  std::function<void()> onPainted;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void drawOverlays(QPainter& painter);
  double scaleX() const;
  double scaleY() const;

  Program& program_;
  QImage picture_;  // the grey or the colour picture below, whichever is shown
  QImage greyPicture_;
  QImage colourPicture_;
  QPixmap fitted_;  // the picture stretched to the viewport, rebuilt when either changes
  QColor background_{192, 192, 192};
  bool subFrameOutline_ = false;
};

}  // namespace nvk::app::qt
