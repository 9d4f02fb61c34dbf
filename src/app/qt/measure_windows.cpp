#include "app/qt/measure_windows.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "process/measure_photometry.h"

namespace nvk::app::qt {
namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont fixedFont() {
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

// A modeless window of the main window that deletes itself when closed.
// Where a tool window opens: this far inside the main window's right edge, and below its menu
// and tool bar.
constexpr int kToolWindowMargin = 8;
constexpr int kToolWindowBelowToolBar = 64;

void makeToolWindow(QDialog* window, const char* title) {
  window->setModal(false);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(QString::fromLatin1(title));
}

QDialogButtonBox* closeButton(QDialog* window) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
  QObject::connect(buttons, &QDialogButtonBox::rejected, window, [window] { window->reject(); });
  return buttons;
}

}  // namespace

// ---- Histogram ----

HistogramPlot::HistogramPlot(QWidget* parent) : QWidget(parent) {
  setFixedSize(kLeft + process::DisplayHistogram::kValues + 14, kBaseline + 24);
}

void HistogramPlot::setHistogram(const process::DisplayHistogram& histogram) {
  histogram_ = histogram;
  update();
}

void HistogramPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  for (int value = 0; value < process::DisplayHistogram::kValues; ++value) {
    const auto line = histogram_.line(value);
    if (line.height == 0) continue;
    painter.setPen(QColor::fromRgb(line.cut ? kCutColour : kLineColour));
    // `height` pixels from the row above the baseline upwards.
    painter.drawLine(kLeft + value, kBaseline - 1, kLeft + value, kBaseline - line.height);
  }
  painter.setPen(Qt::black);
  painter.drawLine(kLeft - 2, kBaseline, kLeft + process::DisplayHistogram::kValues + 1, kBaseline);
  for (int value = 0; value <= 256; value += 32) {
    painter.drawLine(kLeft + value, kBaseline, kLeft + value, kBaseline + 4);
    painter.drawText(QRect(kLeft + value - 16, kBaseline + 5, 32, 16), Qt::AlignHCenter,
                     QString::number(std::min(value, 255)));
  }
}

HistogramWindow::HistogramWindow(QWidget* parent) : QDialog(parent) {
  makeToolWindow(this, "Histogram of Current Image");
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout();
  plot_ = new HistogramPlot(this);
  listing_ = new QLabel(this);
  listing_->setObjectName(QStringLiteral("listing"));
  listing_->setFont(fixedFont());
  listing_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  listing_->setMinimumWidth(140);
  row->addWidget(plot_);
  row->addWidget(listing_);
  layout->addLayout(row);
  layout->addWidget(closeButton(this));
}

void HistogramWindow::setHistogram(const process::DisplayHistogram& histogram) {
  plot_->setHistogram(histogram);
  listing_->setText(q(histogram.listing()));
}

QString HistogramWindow::listing() const {
  return listing_->text();
}

// ---- Row plot ----

RowPlotView::RowPlotView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(480, 260);
}

void RowPlotView::setPlot(process::RowPlot plot) {
  plot_ = std::move(plot);
  update();
}

std::pair<double, double> RowPlotView::valueRange() const {
  double low = plot_.minimum, high = plot_.maximum;
  if (high <= low) high = low + 1.0;
  return {low, high};
}

void RowPlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const int plotWidth = width() - kLeft - kRight;
  const int plotHeight = height() - kTop - kBottom;
  if (plotWidth < 2 || plotHeight < 2 || plot_.width < 1) return;
  const auto [low, high] = valueRange();

  // Axes with their labelled marks: columns along the bottom, values up the left.
  painter.setPen(Qt::black);
  painter.drawLine(kLeft - 1, kTop, kLeft - 1, kTop + plotHeight);
  painter.drawLine(kLeft - 1, kTop + plotHeight, kLeft + plotWidth, kTop + plotHeight);
  const double lastColumn = std::max(1, plot_.width - 1);
  for (const auto& tick : process::axisTicks(0.0, lastColumn, 10)) {
    const int x = kLeft + static_cast<int>(tick.value / lastColumn * (plotWidth - 1) + 0.5);
    painter.drawLine(x, kTop + plotHeight, x, kTop + plotHeight + 4);
    painter.drawText(QRect(x - 30, kTop + plotHeight + 5, 60, 16), Qt::AlignHCenter, q(tick.label));
  }
  for (const auto& tick : process::axisTicks(low, high, 8)) {
    const int y =
        kTop + static_cast<int>((high - tick.value) / (high - low) * (plotHeight - 1) + 0.5);
    painter.drawLine(kLeft - 5, y, kLeft - 1, y);
    painter.drawText(QRect(0, y - 8, kLeft - 7, 16), Qt::AlignRight | Qt::AlignVCenter,
                     q(tick.label));
  }

  static const QColor kSeriesColours[] = {Qt::red, QColor(0, 160, 0), Qt::blue};
  for (std::size_t s = 0; s < plot_.series.size(); ++s) {
    painter.setPen(plot_.series.size() == 1 ? QColor(Qt::black) : kSeriesColours[s % 3]);
    const auto columns = process::plotColumns(plot_.series[s], plotWidth, plotHeight, low, high);
    for (std::size_t x = 0; x < columns.size(); ++x) {
      const int px = kLeft + static_cast<int>(x);
      painter.drawLine(px, kTop + columns[x].yTop, px, kTop + columns[x].yBottom);
    }
  }
}

RowPlotWindow::RowPlotWindow(QWidget* parent) : QDialog(parent) {
  makeToolWindow(this, "Intensity Plot of Current Row");
  auto* layout = new QVBoxLayout(this);
  view_ = new RowPlotView(this);
  caption_ = new QLabel(this);
  caption_->setObjectName(QStringLiteral("caption"));
  layout->addWidget(view_, 1);
  layout->addWidget(caption_);
  layout->addWidget(closeButton(this));
  resize(760, 380);
}

void RowPlotWindow::setPlot(process::RowPlot plot) {
  caption_->setText(q(process::rowPlotCaption(plot)));
  view_->setPlot(std::move(plot));
}

QString RowPlotWindow::caption() const {
  return caption_->text();
}

// ---- 3-D plot ----

Plot3dView::Plot3dView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 240);
}

void Plot3dView::setPlot(process::Plot3d plot) {
  plot_ = std::move(plot);
  update();
}

void Plot3dView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(120, 255, 120));
  for (const auto& s : plot_.segments)
    painter.drawLine(QPointF(s.x1, s.y1), QPointF(s.x2, s.y2));
}

IntensityPlot3dWindow::IntensityPlot3dWindow(const MeasureWindowsModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  makeToolWindow(this, "3-D Intensity Plot");
  auto* layout = new QVBoxLayout(this);
  view_ = new Plot3dView(this);
  layout->addWidget(view_, 1);
  auto* controls = new QGridLayout();
  const process::Plot3dOptions defaults;
  azimuth_ = new QSlider(Qt::Horizontal, this);
  azimuth_->setObjectName(QStringLiteral("azimuth"));
  azimuth_->setRange(0, 359);
  azimuth_->setValue(static_cast<int>(defaults.azimuthDegrees));
  elevation_ = new QSlider(Qt::Horizontal, this);
  elevation_->setObjectName(QStringLiteral("elevation"));
  elevation_->setRange(0, 90);
  elevation_->setValue(static_cast<int>(defaults.elevationDegrees));
  controls->addWidget(new QLabel(tr("Turn"), this), 0, 0);
  controls->addWidget(azimuth_, 0, 1);
  controls->addWidget(new QLabel(tr("Tilt"), this), 1, 0);
  controls->addWidget(elevation_, 1, 1);
  regionSize_ = new QSpinBox(this);
  regionSize_->setObjectName(QStringLiteral("regionSize"));
  regionSize_->setRange(8, 1024);
  regionSize_->setValue(defaults.regionSize);
  gridSize_ = new QSpinBox(this);
  gridSize_->setObjectName(QStringLiteral("gridSize"));
  gridSize_->setRange(2, 128);
  gridSize_->setValue(defaults.gridSize);
  auto* sizes = new QHBoxLayout();
  sizes->addWidget(new QLabel(tr("Region (pixels)"), this));
  sizes->addWidget(regionSize_);
  sizes->addWidget(new QLabel(tr("Grid points"), this));
  sizes->addWidget(gridSize_);
  sizes->addStretch(1);
  controls->addLayout(sizes, 2, 0, 1, 2);
  layout->addLayout(controls);
  caption_ = new QLabel(this);
  layout->addWidget(caption_);
  layout->addWidget(closeButton(this));
  connect(azimuth_, &QSlider::valueChanged, this, [this](int) { refresh(); });
  connect(elevation_, &QSlider::valueChanged, this, [this](int) { refresh(); });
  connect(regionSize_, &QSpinBox::valueChanged, this, [this](int) { refresh(); });
  connect(gridSize_, &QSpinBox::valueChanged, this, [this](int) { refresh(); });
  resize(680, 600);
  refresh();
}

process::Plot3dOptions IntensityPlot3dWindow::options() const {
  process::Plot3dOptions o;
  o.azimuthDegrees = azimuth_->value();
  o.elevationDegrees = elevation_->value();
  o.regionSize = regionSize_->value();
  o.gridSize = gridSize_->value();
  o.viewWidth = std::max(64, view_->width());
  o.viewHeight = std::max(64, view_->height());
  return o;
}

void IntensityPlot3dWindow::refresh() {
  auto [plot, caption] = model_.intensityPlot(options());
  caption_->setText(QString::fromLatin1(caption.c_str()));
  view_->setPlot(std::move(plot));
}

void IntensityPlot3dWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  refresh();
}

// ---- Photometry ----

PhotometryWindow::PhotometryWindow(QWidget* parent) : QDialog(parent) {
  makeToolWindow(this, "Photometry");
  auto* layout = new QVBoxLayout(this);
  radii_ = new QLabel(this);
  layout->addWidget(radii_);
  list_ = new QPlainTextEdit(this);
  list_->setObjectName(QStringLiteral("list"));
  list_->setReadOnly(true);
  list_->setFont(fixedFont());
  list_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(list_, 1);
  details_ = new QLabel(this);
  details_->setObjectName(QStringLiteral("details"));
  details_->setFont(fixedFont());
  details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(details_);
  auto* hint =
      new QLabel(tr("Click the left mouse button on each star to measure; close this window to end "
                    "photometry."),
                 this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  layout->addWidget(closeButton(this));
  resize(520, 320);
}

void PhotometryWindow::refresh(const process::MeasureState& measure) {
  char radii[128];
  std::snprintf(radii, sizeof radii, "Aperture R1 = %d, sky annulus R2 = %d to R3 = %d pixels",
                measure.apertures.aperture, measure.apertures.skyInner, measure.apertures.skyOuter);
  radii_->setText(QString::fromLatin1(radii));
  QString text = q(process::photometryListHeading());
  int number = 1;
  for (const auto& result : measure.photometryLog)
    text += '\n' + q(process::photometryListLine(number++, result));
  list_->setPlainText(text);
  details_->setText(measure.photometryLog.empty()
                        ? QString()
                        : q(process::formatPhotometry(measure.photometryLog.back())).trimmed());
}

QStringList PhotometryWindow::listLines() const {
  return list_->toPlainText().split('\n');
}

QString PhotometryWindow::details() const {
  return details_->text();
}

// ---- Show values ----

ShowValuesWindow::ShowValuesWindow(QWidget* parent) : QDialog(parent) {
  makeToolWindow(this, "Show Values");
  auto* layout = new QVBoxLayout(this);
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("values"));
  text_->setFont(fixedFont());
  text_->setMinimumWidth(420);
  layout->addWidget(text_);
  layout->addWidget(closeButton(this));
}

void ShowValuesWindow::setReadout(const process::PixelReadout& readout) {
  text_->setText(readout.inside ? q(readout.text()) : tr("outside the image"));
}

QString ShowValuesWindow::text() const {
  return text_->text();
}

// ---- The set of tool windows ----

ToolWindows::ToolWindows(CommandContext& context, QWidget* parent, std::function<void()> changed)
    : model_(context), parent_(parent), changed_(std::move(changed)), guard_(new QObject) {}

ToolWindows::~ToolWindows() = default;

template <typename Window>
void ToolWindows::present(Window* window) {
  // A window opening goes to the top right corner of the main window, below its tool bar, and
  // leaves the middle of the picture free: the photometry and show-values windows wait for
  // clicks on the picture, and a window centred over it took the first of them.
  if (!window->isVisible()) {
    const QRect client = parent_->geometry();
    // At most the corner's quarter of the main window, as far as the window's content allows.
    const QSize quarter(client.width() / 2 - 2 * kToolWindowMargin,
                        client.height() / 2 - kToolWindowBelowToolBar);
    window->resize(window->size().boundedTo(quarter).expandedTo(window->minimumSizeHint()));
    QPoint at(client.right() - window->width() - kToolWindowMargin,
              client.top() + kToolWindowBelowToolBar);
    if (const QScreen* screen = parent_->screen()) {
      const QRect free = screen->availableGeometry();
      at.setX(
          std::clamp(at.x(), free.left(), std::max(free.left(), free.right() - window->width())));
      at.setY(
          std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() - window->height())));
    }
    window->move(at);
  }
  window->show();
  window->raise();
}

void ToolWindows::show(ToolWindow which) {
  switch (which) {
    case ToolWindow::Histogram:
      if (!histogram_) histogram_ = new HistogramWindow(parent_);
      histogram_->setHistogram(model_.histogram());
      present(histogram_.data());
      break;
    case ToolWindow::IntensityPlot3d:
      if (!plot3d_) plot3d_ = new IntensityPlot3dWindow(model_, parent_);
      plot3d_->refresh();
      present(plot3d_.data());
      break;
    case ToolWindow::RowPlot:
      if (!rowPlot_) rowPlot_ = new RowPlotWindow(parent_);
      if (auto plot = model_.rowPlot()) rowPlot_->setPlot(std::move(*plot));
      present(rowPlot_.data());
      break;
    case ToolWindow::Photometry:
      if (!photometry_) {
        photometry_ = new PhotometryWindow(parent_);
        QObject::connect(photometry_.data(), &QDialog::finished, guard_.get(), [this](int) {
          photometry_ = nullptr;
          model_.photometryClosed();
          changed_();
        });
      }
      photometry_->refresh(model_.measure());
      present(photometry_.data());
      break;
    case ToolWindow::ShowValues:
      if (!showValues_) {
        showValues_ = new ShowValuesWindow(parent_);
        showValues_->setReadout({});
        QObject::connect(showValues_.data(), &QDialog::finished, guard_.get(), [this](int) {
          showValues_ = nullptr;
          model_.showValuesClosed();
          changed_();
        });
      }
      present(showValues_.data());
      break;
  }
}

void ToolWindows::pictureChanged() {
  if (histogram_) histogram_->setHistogram(model_.histogram());
  if (plot3d_) plot3d_->refresh();
}

void ToolWindows::mouseMoved(int displayX, int displayY) {
  if (showValues_) showValues_->setReadout(model_.readout(displayX, displayY));
}

void ToolWindows::sync() {
  if (showValues_ && !model_.showValuesOn()) {
    ShowValuesWindow* window = showValues_.data();
    showValues_ = nullptr;
    window->close();
  }
}

}  // namespace nvk::app::qt
