#include "app/qt/guiding_views.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/qt_text.h"
#include "app/qt/qt_ui.h"
#include "scope/guide_camera.h"

namespace nvk::app::qt {
namespace {

QLineEdit* field(QWidget* parent, const QString& name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  edit->setMaximumWidth(80);
  return edit;
}

// A modeless tool window over the main window whose buttons work while guiding runs.
void makeGuidingWindow(QDialog* dialog) {
  dialog->setModal(false);
  dialog->setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  passPressesDuringOperations(dialog);
}

void setIfChanged(QLineEdit* edit, const std::string& value) {
  const QString shown = toQString(value);
  if (edit->text() != shown) edit->setText(shown);
}

}  // namespace

TInfoDialogView::TInfoDialogView(acquire::GuidingWindows& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("TInfoDialog"));
  makeGuidingWindow(this);
  setWindowTitle(tr("Guiding Info"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  x_ = field(this, "x");
  y_ = field(this, "y");
  dx_ = field(this, "dx");
  dy_ = field(this, "dy");
  form->addRow(tr("x"), x_);
  form->addRow(tr("y"), y_);
  form->addRow(tr("dx"), dx_);
  form->addRow(tr("dy"), dy_);
  layout->addLayout(form);
  auto* buttons = new QHBoxLayout();
  pause_ = new QCheckBox(tr("Pause"), this);
  pause_->setObjectName("pause");
  stop_ = new QPushButton(tr("Stop"), this);
  stop_->setObjectName("stop");
  buttons->addWidget(pause_);
  buttons->addWidget(stop_);
  layout->addLayout(buttons);
  connect(pause_, &QCheckBox::toggled, this, [this](bool on) { model_.pause(on); });
  connect(stop_, &QPushButton::clicked, this, [this] {
    model_.stop();
    refresh();
  });
}

void TInfoDialogView::refresh() {
  const scope::TInfoDialog& info = model_.info();
  setIfChanged(x_, info.x);
  setIfChanged(y_, info.y);
  setIfChanged(dx_, info.dx);
  setIfChanged(dy_, info.dy);
  if (pause_->isChecked() != model_.paused()) {
    const QSignalBlocker block(pause_);
    pause_->setChecked(model_.paused());
  }
  stop_->setEnabled(model_.stopEnabled());
}

GuideImageArea::GuideImageArea(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("guideImage"));
  setFixedSize(scope::kGuideAreaWidth, scope::kGuideAreaHeight);
}

void GuideImageArea::setFrame(const std::vector<std::uint16_t>& samples,
                              const scope::StarPosition& star) {
  constexpr int w = scope::kGuideImageWidth;
  constexpr int h = scope::kGuideImageHeight;
  star_ = star;
  if (samples.size() != static_cast<std::size_t>(w) * h) {
    frame_ = QImage();
  } else {
    // The guide head gives one byte per pixel, held in the high byte of the sample.
    QImage image(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
      uchar* line = image.scanLine(y);
      for (int x = 0; x < w; ++x)
        line[x] = static_cast<uchar>(samples[static_cast<std::size_t>(y * w + x)] >> 8);
    }
    frame_ = image.scaled(scope::kGuideAreaWidth, scope::kGuideAreaHeight, Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
  }
  update();
}

void GuideImageArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (frame_.isNull()) return;
  painter.drawImage(0, 0, frame_);
  const scope::AreaPoint p = scope::guideAreaPoint(star_);
  painter.setPen(Qt::red);
  painter.drawLine(p.x, 0, p.x, height() - 1);
  painter.drawLine(0, p.y, width() - 1, p.y);
}

GuidestarPlot::GuidestarPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("guidestarMovement"));
  setFixedSize(scope::kPlotSide + 1, scope::kPlotSide + 1);
}

void GuidestarPlot::setError(const scope::GuideError& error) {
  if (error == error_) return;
  error_ = error;
  update();
}

void GuidestarPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  constexpr int side = scope::kPlotSide;
  painter.setPen(Qt::gray);
  painter.drawRect(0, 0, side, side);
  painter.drawLine(side / 2, 0, side / 2, side);
  painter.drawLine(0, side / 2, side, side / 2);
  const scope::PlotCross c = scope::guidestarPlotCross(error_);
  painter.setPen(QPen(Qt::red, 2));
  painter.drawLine(c.left, c.centreY, c.right, c.centreY);
  painter.drawLine(c.centreX, c.top, c.centreX, c.bottom);
}

TGInfoDialogView::TGInfoDialogView(acquire::GuidingWindows& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("TGInfoDialog"));
  makeGuidingWindow(this);
  setWindowTitle(tr("AutoGuider Camera Guiding"));
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  image_ = new GuideImageArea(this);
  left->addWidget(image_);
  auto* form = new QGridLayout();
  const char* names[] = {"x", "y", "dx", "dy", "slewX", "slewY", "aoX", "aoY", "aoMovingMount"};
  const QString labels[] = {tr("x"),
                            tr("y"),
                            tr("dx"),
                            tr("dy"),
                            tr("Slew time x axis"),
                            tr("Slew time y axis"),
                            tr("AO x pos"),
                            tr("AO y pos"),
                            tr("Moving Mount")};
  for (int i = 0; i < 9; ++i) {
    fields_[i] = field(this, names[i]);
    form->addWidget(new QLabel(labels[i], this), i % 5, (i / 5) * 2);
    form->addWidget(fields_[i], i % 5, (i / 5) * 2 + 1);
  }
  left->addLayout(form);
  layout->addLayout(left);
  auto* right = new QVBoxLayout();
  auto* plotBox = new QGroupBox(tr("Guidestar Movement"), this);
  auto* plotLayout = new QVBoxLayout(plotBox);
  plot_ = new GuidestarPlot(plotBox);
  plotLayout->addWidget(plot_, 0, Qt::AlignCenter);
  right->addWidget(plotBox);
  right->addStretch();
  stop_ = new QPushButton(tr("Stop Guiding"), this);
  stop_->setObjectName("stopGuiding");
  right->addWidget(stop_);
  layout->addLayout(right);
  connect(stop_, &QPushButton::clicked, this, [this] {
    model_.stopGuiding();
    refresh();
  });
}

void TGInfoDialogView::refresh() {
  const QString caption = toQString(model_.displayCaption());
  if (windowTitle() != caption) setWindowTitle(caption);
  const scope::GuidingDisplayTexts t = model_.displayTexts();
  const std::string* values[] = {&t.x,     &t.y,   &t.dx,  &t.dy,           &t.slewX,
                                 &t.slewY, &t.aoX, &t.aoY, &t.aoMovingMount};
  for (int i = 0; i < 9; ++i)
    setIfChanged(fields_[i], *values[i]);
  image_->setFrame(model_.guideFrame(), model_.guideStar());
  plot_->setError(model_.guideError());
  stop_->setEnabled(model_.stopGuidingEnabled());
}

GuidingViews::GuidingViews(Program& program, QWidget* parent)
    : model_(program),
      info_(new TInfoDialogView(model_, parent)),
      display_(new TGInfoDialogView(model_, parent)) {}

// The views are children of the window, which deletes them.
GuidingViews::~GuidingViews() = default;

void GuidingViews::sync() {
  if (model_.infoOpen()) {
    info_->refresh();
    if (!info_->isVisible()) info_->show();
  } else if (info_->isVisible()) {
    info_->hide();
  }
  if (model_.displayOpen()) {
    display_->refresh();
    if (!display_->isVisible()) display_->show();
  } else if (display_->isVisible()) {
    display_->hide();
  }
}

}  // namespace nvk::app::qt
