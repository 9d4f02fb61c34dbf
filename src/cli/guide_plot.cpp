#include "cli/guide_plot.h"

#include "base/atomic_file.h"

#if NVK_CLI_PLOTS
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

namespace nvk::cli {

#if NVK_CLI_PLOTS
namespace {

using Layout = GuidePlotLayout;

// Text needs Qt's font database, which needs a QGuiApplication; the tool has no window, so it
// runs one on the offscreen platform for as long as the process lives.
void ensureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "nvk-k7lq-cli";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* application = new QGuiApplication(argc, argv);
  (void)application;
}

QString number(double value, int decimals) {
  return QString::number(value, 'f', decimals);
}

// A round step for about `wanted` grid lines over `span`.
double gridStep(double span, int wanted) {
  const double raw = span / wanted;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (raw <= m * power) return m * power;
  }
  return 10.0 * power;
}

QImage drawPlot(const files::GuideLogSection& section, const std::string& title) {
  QImage image(Layout::kWidth, Layout::kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  // Sharp lines: every curve pixel is exactly its colour.
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRect area(Layout::kLeft, Layout::kTop, Layout::kWidth - Layout::kLeft - Layout::kRight,
                   Layout::kHeight - Layout::kTop - Layout::kBottom);

  double extent = 0.5;
  double endSeconds = 1.0;
  for (const auto& f : section.frames) {
    extent = std::max({extent, std::abs(f.raRaw), std::abs(f.decRaw)});
    endSeconds = std::max(endSeconds, f.timeSeconds);
  }
  const double yStep = gridStep(2 * extent, 8);
  extent = std::ceil(extent / yStep) * yStep;
  const double xStep = gridStep(endSeconds, 10);
  auto toX = [&](double seconds) {
    return area.left() + static_cast<int>(std::lround(seconds / endSeconds * area.width()));
  };
  auto toY = [&](double px) {
    return area.center().y() - static_cast<int>(std::lround(px / extent * (area.height() / 2)));
  };

  painter.setPen(QColor(0xd8d8d8));
  for (double v = -extent; v <= extent + 1e-9; v += yStep)
    painter.drawLine(area.left(), toY(v), area.right(), toY(v));
  for (double t = 0; t <= endSeconds + 1e-9; t += xStep)
    painter.drawLine(toX(t), area.top(), toX(t), area.bottom());
  painter.setPen(Qt::black);
  painter.drawRect(area);
  painter.drawLine(area.left(), toY(0), area.right(), toY(0));
  for (double v = -extent; v <= extent + 1e-9; v += yStep) {
    painter.drawText(QRect(0, toY(v) - 8, Layout::kLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                     number(std::abs(v) < yStep / 2 ? 0.0 : v, yStep < 1 ? 1 : 0));
  }
  for (double t = 0; t <= endSeconds + 1e-9; t += xStep) {
    painter.drawText(QRect(toX(t) - 40, area.bottom() + 4, 80, 16), Qt::AlignCenter, number(t, 0));
  }
  painter.drawText(QRect(area.left(), Layout::kHeight - 22, area.width(), 18), Qt::AlignCenter,
                   "time (s)");
  painter.save();
  painter.translate(14, area.center().y());
  painter.rotate(-90);
  painter.drawText(QRect(-100, -8, 200, 16), Qt::AlignCenter, "distance (px)");
  painter.restore();
  painter.drawText(QRect(area.left(), 6, area.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(title));

  struct Curve {
    std::uint32_t rgb;
    const char* name;
    double files::GuideLogFrame::*value;
  };
  const Curve curves[] = {{Layout::kRaRgb, "RA", &files::GuideLogFrame::raRaw},
                          {Layout::kDecRgb, "Dec", &files::GuideLogFrame::decRaw}};
  int legendX = area.right() - 140;
  for (const Curve& c : curves) {
    painter.setPen(QPen(QColor(QRgb(c.rgb)), 2));
    for (std::size_t i = 1; i < section.frames.size(); ++i) {
      const auto& a = section.frames[i - 1];
      const auto& b = section.frames[i];
      painter.drawLine(toX(a.timeSeconds), toY(a.*c.value), toX(b.timeSeconds), toY(b.*c.value));
    }
    if (section.frames.size() == 1) {
      const auto& a = section.frames[0];
      painter.drawPoint(toX(a.timeSeconds), toY(a.*c.value));
    }
    painter.drawLine(legendX, 32, legendX + 24, 32);
    painter.setPen(Qt::black);
    painter.drawText(QRect(legendX + 30, 24, 40, 16), Qt::AlignLeft | Qt::AlignVCenter, c.name);
    legendX += 70;
  }
  painter.end();
  return image;
}

}  // namespace

bool guidePlotsAvailable() {
  return true;
}

bool writeGuidePlot(const files::GuideLogSection& section, const std::string& title,
                    const std::filesystem::path& out, std::string& error) {
  ensureGuiApplication();
  const QImage image = drawPlot(section, title);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    error = "the PNG could not be encoded";
    return false;
  }
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(png.constData()),
                               static_cast<std::size_t>(png.size()));
  if (!base::replaceFile(out, bytes)) {
    error = out.string() + ": " + base::takeWriteFailure();
    return false;
  }
  return true;
}

#else

bool guidePlotsAvailable() {
  return false;
}

bool writeGuidePlot(const files::GuideLogSection&, const std::string&, const std::filesystem::path&,
                    std::string& error) {
  error = "this build of the tool draws no plots (it was built without Qt)";
  return false;
}

#endif

}  // namespace nvk::cli
