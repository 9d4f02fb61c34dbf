#include "app/qt/tool_icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace nvk::app::qt {
namespace {

constexpr int kSize = 32;

// The kinds of drawing the icons use.
enum class Shape { Disk, Folder, Camera, Guider, Half, Full, Badge };

struct IconSpec {
  int id;
  Shape shape;
  const char* label;  // text on the icon (badge text, or the disk's tag)
  QRgb colour;
};

constexpr IconSpec kIcons[] = {
    {24333, Shape::Disk, "", 0xff3a6ea5},    {24335, Shape::Disk, "FIT", 0xff2e8b57},
    {24332, Shape::Folder, "", 0xffd9a431},  {12, Shape::Camera, "", 0xff404040},
    {27, Shape::Guider, "", 0xff606060},     {305, Shape::Half, "", 0xff3a6ea5},
    {1901, Shape::Badge, "MAX", 0xffb03030}, {1902, Shape::Badge, "1:1", 0xff707070},
    {123, Shape::Badge, "γ", 0xff8a4fa8},    {121, Shape::Badge, "⚙", 0xff505050},
    {14, Shape::Badge, "Ph", 0xff2f7f7f},    {8124, Shape::Badge, "123", 0xff2f5f8f},
    {8115, Shape::Badge, "RGB", 0xffc04040}, {8116, Shape::Badge, "Bal", 0xff4f9f4f},
    {8114, Shape::Badge, "AA", 0xff9f6f2f},  {8129, Shape::Badge, "LP", 0xff5f5faf},
    {117, Shape::Badge, "NL", 0xff7f3f7f},   {120, Shape::Badge, "BG", 0xff3f3f3f},
    {106, Shape::Badge, "USM", 0xff2f6f9f},  {32110, Shape::Badge, "HPM", 0xffaf2f2f},
    {110, Shape::Badge, "−D", 0xff202020},   {115, Shape::Badge, "÷F", 0xff6f6f20},
    {111, Shape::Badge, "M", 0xff2f7f4f},    {24, Shape::Badge, "Tel", 0xff1f4f7f},
};

void drawBadge(QPainter& p, const QColor& colour, const QString& text) {
  p.setBrush(colour);
  p.setPen(colour.darker(140));
  p.drawRoundedRect(QRectF(2.5, 2.5, kSize - 5, kSize - 5), 6, 6);
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(text.size() >= 3 ? 10 : 13);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

void drawShape(QPainter& p, const IconSpec& iconItem) {
  const QColor colour = QColor::fromRgba(iconItem.colour);
  switch (iconItem.shape) {
    case Shape::Disk: {
      p.setBrush(colour);
      p.setPen(colour.darker(150));
      p.drawRoundedRect(QRectF(4.5, 4.5, 23, 23), 3, 3);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9.5, 4.5, 13, 8));
      p.setBrush(QColor(230, 230, 230));
      p.drawRect(QRectF(8.5, 17.5, 15, 10));
      if (*iconItem.label != '\0') {
        QFont font = p.font();
        font.setPixelSize(7);
        font.setBold(true);
        p.setFont(font);
        p.setPen(colour.darker(150));
        p.drawText(QRect(8, 17, 16, 11), Qt::AlignCenter, QString::fromUtf8(iconItem.label));
      }
      break;
    }
    case Shape::Folder: {
      p.setPen(colour.darker(150));
      p.setBrush(colour.darker(115));
      p.drawRoundedRect(QRectF(3.5, 7.5, 12, 6), 2, 2);
      p.setBrush(colour);
      p.drawRoundedRect(QRectF(3.5, 10.5, 25, 17), 2, 2);
      break;
    }
    case Shape::Camera:
    case Shape::Guider: {
      p.setPen(colour.darker(150));
      p.setBrush(colour);
      p.drawRoundedRect(QRectF(3.5, 9.5, 25, 17), 3, 3);
      p.drawRect(QRectF(11.5, 6.5, 9, 4));
      p.setBrush(QColor(120, 170, 230));
      const double r = iconItem.shape == Shape::Camera ? 6.0 : 4.0;
      p.drawEllipse(QPointF(16, 18), r, r);
      if (iconItem.shape == Shape::Guider) {
        p.setPen(QPen(QColor(255, 80, 80), 1.5));
        p.drawLine(QPointF(24, 4), QPointF(24, 12));
        p.drawLine(QPointF(20, 8), QPointF(28, 8));
      }
      break;
    }
    case Shape::Half:
    case Shape::Full: {
      p.setPen(colour.darker(150));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(3.5, 5.5, 25, 21));
      p.setBrush(colour);
      if (iconItem.shape == Shape::Half) {
        p.drawRect(QRectF(3.5, 5.5, 12.5, 10.5));
      } else {
        p.drawRect(QRectF(3.5, 5.5, 25, 21));
      }
      break;
    }
    case Shape::Badge:
      drawBadge(p, colour, QString::fromUtf8(iconItem.label));
      break;
  }
}

QIcon render(const IconSpec& iconItem) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  drawShape(p, iconItem);
  return QIcon(pixmap);
}

}  // namespace

QIcon toolIcon(int commandId) {
  for (const IconSpec& iconItem : kIcons) {
    if (iconItem.id == commandId) return render(iconItem);
  }
  return {};
}

QIcon fullSizeDisplayIcon() {
  return render({0, Shape::Full, "", 0xff3a6ea5});
}

}  // namespace nvk::app::qt
