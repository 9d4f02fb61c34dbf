#include "app/qt/guider_dialog_view.h"

#include "scope/guide_camera.h"

#include <QCheckBox>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/qt/qt_text.h"
#include "app/qt/qt_ui.h"
#include "app/qt/qt_widgets.h"

namespace nvk::app::qt {
namespace {

using Check = acquire::TGNVDialog::Check;
using Column = acquire::TGNVDialog::Column;

// The guide image: reports the pointer's moves and the buttons' releases in image coordinates.
class GuideImageLabel final : public QLabel {
 public:
  explicit GuideImageLabel(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    setFixedSize(scope::kGuideImageWidth, scope::kGuideImageHeight);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setStyleSheet(QStringLiteral("background-color: black"));
  }
  std::function<void(int, int)> moved;
  std::function<void(int, int, bool)> released;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override {
    const QPoint p = event->position().toPoint();
    if (moved) moved(p.x(), p.y());
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const QPoint p = event->position().toPoint();
    if (released && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)) {
      released(p.x(), p.y(), event->button() == Qt::RightButton);
    }
  }
};

}  // namespace

GuiderDialogView::GuiderDialogView(acquire::TGNVDialog& model, QtUi& /*ui*/, QWidget* parent)
    : QDialog(parent), model_(model) {
  setWindowTitle(toQString(model_.title()));
  auto* grid = new QGridLayout(this);

  auto button = [this](QWidget* parentWidget, const QString& caption, const char* name,
                       std::function<void()> action) {
    return actionButton(parentWidget, caption, name, [this, action] {
      action();
      sync();
    });
  };
  auto label = [this](QWidget* parentWidget, const char* name, std::function<QString()> value) {
    auto* l = new QLabel(parentWidget);
    l->setObjectName(QString::fromUtf8(name));
    l->setMinimumWidth(36);
    updates_.push_back([l, value] { l->setText(value()); });
    return l;
  };
  auto check = [this](QWidget* parentWidget, const char* caption, Check c) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parentWidget);
    connect(box, &QCheckBox::clicked, this, [this, c] {
      model_.toggle(c);
      sync();
    });
    updates_.push_back([this, box, c] {
      QSignalBlocker block(box);
      box->setChecked(model_.checked(c));
      box->setEnabled(model_.enabled(c));
    });
    return box;
  };
  auto edit = [this](QWidget* parentWidget, const QString& name, std::string& bound) {
    auto* e = new QLineEdit(parentWidget);
    e->setObjectName(name);
    e->setMaximumWidth(60);
    connect(e, &QLineEdit::textEdited, this,
            [&bound](const QString& value) { bound = value.toStdString(); });
    updates_.push_back([e, &bound] {
      if (e->text().toStdString() == bound) return;
      QSignalBlocker block(e);
      e->setText(QString::fromStdString(bound));
    });
    return e;
  };

  // The guide image, its read-out and the exposure buttons.
  auto* picture = new QGroupBox(tr("Guide Camera Image"), this);
  auto* pictureLayout = new QVBoxLayout(picture);
  auto* image = new GuideImageLabel(picture);
  image_ = image;
  image_->setObjectName(QStringLiteral("guideImage"));
  image->moved = [this](int x, int y) {
    model_.pointerAt(x, y);
    sync();
  };
  image->released = [this](int x, int y, bool right) {
    const auto before = model_.lastSelection();
    model_.releaseOnImage(x, y, right);
    if (const auto after = model_.lastSelection(); after && after != before) {
      QCursor::setPos(image_->mapToGlobal(QPoint(after->x, after->y)));
    }
    sync();
  };
  pictureLayout->addWidget(image_);
  auto* readout = new QHBoxLayout;
  const struct {
    const char* caption;
    const char* name;
    std::function<QString()> value;
  } fields[] = {
      {"x", "x", [this] { return toQString(model_.xText()); }},
      {"y", "y", [this] { return toQString(model_.yText()); }},
      {"val", "val", [this] { return toQString(model_.valText()); }},
      {"Star x", "starX", [this] { return toQString(model_.starXText()); }},
      {"Star y", "starY", [this] { return toQString(model_.starYText()); }},
  };
  for (const auto& field : fields) {
    readout->addWidget(new QLabel(QString::fromUtf8(field.caption), picture));
    readout->addWidget(label(picture, field.name, field.value));
  }
  readout->addStretch();
  pictureLayout->addLayout(readout);
  auto* exposures = new QHBoxLayout;
  auto* stop = button(picture, tr("Stop"), "stop", [this] { model_.stop(); });
  // "Start" runs its loop inside the click: show it running before the loop begins.
  auto* start = button(picture, tr("Start"), "start", [this, stop] {
    stop->setEnabled(true);
    model_.start();
  });
  updates_.push_back([this, start, stop] {
    start->setEnabled(!model_.running());
    stop->setEnabled(model_.running());
  });
  // A press on "Stop" reaches it while the loop runs (Esc ends the loop too).
  passPressesDuringOperations(stop);
  exposures->addWidget(start);
  exposures->addWidget(stop);
  exposures->addWidget(
      button(picture, tr("Take DarkFrame"), "takeDark", [this] { model_.takeDark(); }));
  exposures->addWidget(label(picture, "darkLabel", [this] {
    return model_.darkAvailable() ? tr("Dark: ") + toQString(model_.darkLabel()) : tr("No dark");
  }));
  auto* select = button(picture, tr("Select Guide Star"), "selectGuideStar",
                        [this] { model_.selectGuideStar(); });
  exposures->addWidget(select);
  exposures->addStretch();
  pictureLayout->addLayout(exposures);
  updates_.push_back(
      [this] { image_->setCursor(model_.picking() ? Qt::CrossCursor : Qt::ArrowCursor); });
  grid->addWidget(picture, 0, 0, 2, 2);

  // Exposure range and value.
  auto* range = new QGroupBox(tr("Exposure"), this);
  auto* rangeLayout = new QVBoxLayout(range);
  const ExposureUnit units[] = {{'h', "Hundredths"}, {'t', "Tenths"}, {'s', "Seconds"}};
  updates_.push_back(addExposureUnitRadios(
      range, rangeLayout, units, [this] { return model_.unit(); },
      [this](char unit) {
        model_.chooseUnit(unit);
        sync();
      }));
  auto* valueRow = new QHBoxLayout;
  valueRow->addWidget(new QLabel(tr("Value"), range));
  valueRow->addWidget(
      button(range, QStringLiteral("<"), "valueDown", [this] { model_.valueDown(); }));
  valueRow->addWidget(label(range, "value", [this] { return QString::number(model_.value()); }));
  valueRow->addWidget(button(range, QStringLiteral(">"), "valueUp", [this] { model_.valueUp(); }));
  rangeLayout->addLayout(valueRow);
  grid->addWidget(range, 0, 2);

  // Display and camera options.
  auto* options = new QGroupBox(tr("Options"), this);
  auto* optionsLayout = new QVBoxLayout(options);
  const std::pair<const char*, Check> optionChecks[] = {
      {"1 Sec Pause", Check::OneSecondPause},
      {"Apply DarkFrame", Check::ApplyDark},
      {"Apply Median Filter to all Images", Check::Median},
      {"Apply Stretch to Guider Images", Check::Stretch},
      {"Bin 2x2", Check::Bin2x2},
      {"Clear Camera", Check::ClearCamera},
  };
  for (const auto& [caption, c] : optionChecks)
    optionsLayout->addWidget(check(options, caption, c));
  // "Stretch Image": from Min (the brightest star just white) to Max (faint stars shown).
  auto* stretchRow = new QHBoxLayout;
  stretchRow->addWidget(new QLabel(tr("Stretch Image"), options));
  stretchRow->addWidget(new QLabel(tr("Min"), options));
  auto* stretch = new QSlider(Qt::Horizontal, options);
  stretch->setObjectName(QStringLiteral("stretchImage"));
  stretch->setRange(scope::kStretchMin, scope::kStretchMax);
  stretch->setPageStep(1);
  stretch->setTickPosition(QSlider::TicksBelow);
  connect(stretch, &QSlider::valueChanged, this, [this](int level) {
    model_.setStretchLevel(level);
    sync();
  });
  updates_.push_back([this, stretch] {
    QSignalBlocker block(stretch);
    stretch->setValue(model_.stretchLevel());
    stretch->setEnabled(model_.checked(Check::Stretch));
  });
  stretchRow->addWidget(stretch);
  stretchRow->addWidget(new QLabel(tr("Max"), options));
  optionsLayout->addLayout(stretchRow);
  grid->addWidget(options, 1, 2);

  // Guide-head calibration: the default and latest values.
  auto* calibration = new QGroupBox(tr("Guide Calibration"), this);
  auto* calibrationLayout = new QGridLayout(calibration);
  calibrationLayout->addWidget(new QLabel(tr("Default"), calibration), 0, 1);
  calibrationLayout->addWidget(new QLabel(tr("Latest"), calibration), 0, 2);
  const std::pair<const char*, Column> rows[] = {{"R.A.", Column::Ra},
                                                 {"Dec", Column::Dec},
                                                 {"RA Backlash", Column::RaBacklash},
                                                 {"Dec Backlash", Column::DecBacklash},
                                                 {"RA Angle", Column::RaAngle}};
  int row = 1;
  for (const auto& [caption, column] : rows) {
    calibrationLayout->addWidget(new QLabel(QString::fromUtf8(caption), calibration), row, 0);
    calibrationLayout->addWidget(
        edit(calibration, QStringLiteral("default%1").arg(static_cast<int>(column)),
             model_.defaultText(column)),
        row, 1);
    calibrationLayout->addWidget(
        label(calibration, "", [this, c = column] { return toQString(model_.latestText(c)); }), row,
        2);
    ++row;
  }
  // The buttons stand in a column beside the values, to keep the box low.
  auto* calibrationButtons = new QVBoxLayout;
  calibrationButtons->addWidget(
      button(calibration, tr("Train"), "train", [this] { model_.train(); }));
  auto* useDefault =
      button(calibration, tr("Use Defaults"), "useDefault", [this] { model_.useDefault(); });
  updates_.push_back(
      [this, useDefault] { useDefault->setText(toQString(model_.useDefaultText())); });
  calibrationButtons->addWidget(useDefault);
  calibrationButtons->addWidget(button(calibration, tr("Change Defaults"), "changeDefaults",
                                       [this] { model_.changeDefaults(); }));
  calibrationButtons->addWidget(
      button(calibration, tr("Save Latest"), "saveLatest", [this] { model_.saveLatest(); }));
  calibrationButtons->addStretch();
  calibrationLayout->addLayout(calibrationButtons, 0, 3, row, 1);
  calibrationLayout->addWidget(
      label(calibration, "valuesInUse", [this] { return toQString(model_.valuesInUseText()); }),
      row++, 0, 1, 4);
  auto* ignore = new QHBoxLayout;
  ignore->addWidget(check(calibration, "Ignore Backlash", Check::IgnoreBacklash));
  ignore->addWidget(check(calibration, "Ignore RA Angle", Check::IgnoreRaAngle));
  calibrationLayout->addLayout(ignore, row++, 0, 1, 4);
  grid->addWidget(calibration, 2, 0);

  // The AO unit.
  auto* ao = new QGroupBox(tr("AO Unit"), this);
  auto* aoLayout = new QGridLayout(ao);
  aoLayout->addWidget(new QLabel(tr("Default"), ao), 0, 1);
  aoLayout->addWidget(new QLabel(tr("Latest"), ao), 0, 2);
  for (int gain = 0; gain < 2; ++gain) {
    aoLayout->addWidget(new QLabel(gain == 0 ? tr("Up/Down") : tr("Left/Right"), ao), gain + 1, 0);
    aoLayout->addWidget(
        edit(ao, QStringLiteral("aoDefault%1").arg(gain), model_.aoDefaultText(gain)), gain + 1, 1);
    aoLayout->addWidget(
        label(ao, "", [this, gain] { return toQString(model_.aoLatestText(gain)); }), gain + 1, 2);
  }
  aoLayout->addWidget(new QLabel(tr("Position"), ao), 3, 0);
  aoLayout->addWidget(
      label(ao, "aoPosition", [this] { return toQString(model_.aoPositionText()); }), 3, 1, 1, 2);
  aoLayout->addWidget(new QLabel(tr("Mode"), ao), 4, 0);
  aoLayout->addWidget(
      label(ao, "aoModeText", [this] { return model_.aoPulseMode() ? tr("Pulse") : tr("Serial"); }),
      4, 1, 1, 2);
  aoLayout->addWidget(
      label(ao, "aoGainsInUse", [this] { return toQString(model_.aoGainsInUseText()); }), 5, 0, 1,
      3);
  aoLayout->setRowStretch(6, 1);
  // The buttons stand in a column beside the gains, and the swaps two by two below, to keep
  // the box low.
  auto* aoButtons = new QVBoxLayout;
  aoButtons->addWidget(button(ao, tr("Train"), "aoTrain", [this] { model_.trainAo(); }));
  aoButtons->addWidget(
      button(ao, tr("Centralise AO"), "centraliseAo", [this] { model_.centraliseAo(); }));
  aoButtons->addWidget(
      button(ao, tr("Change Defaults"), "aoChangeDefaults", [this] { model_.aoChangeDefaults(); }));
  aoButtons->addWidget(
      button(ao, tr("Save Latest"), "aoSaveLatest", [this] { model_.aoSaveLatest(); }));
  auto* aoUseDefault =
      button(ao, tr("Use Defaults"), "aoUseDefault", [this] { model_.aoUseDefault(); });
  updates_.push_back(
      [this, aoUseDefault] { aoUseDefault->setText(toQString(model_.aoUseDefaultText())); });
  aoButtons->addWidget(aoUseDefault);
  aoButtons->addWidget(button(ao, tr("AO Mode"), "aoMode", [this] { model_.toggleAoMode(); }));
  aoLayout->addLayout(aoButtons, 0, 3, 7, 1);
  const std::pair<const char*, Check> aoChecks[] = {
      {"Swap AO Up/Down", Check::SwapAoUpDown},
      {"Swap AO Left/Right", Check::SwapAoLeftRight},
      {"Swap Mount N/S", Check::SwapMountNorthSouth},
      {"Swap Mount E/W", Check::SwapMountEastWest},
  };
  auto* swaps = new QGridLayout;
  int swap = 0;
  for (const auto& [caption, c] : aoChecks) {
    swaps->addWidget(check(ao, caption, c), swap / 2, swap % 2);
    ++swap;
  }
  aoLayout->addLayout(swaps, 7, 0, 1, 4);
  grid->addWidget(ao, 2, 1);

  // Moves and the guiding mode.
  auto* moves = new QGroupBox(tr("Move Telescope"), this);
  auto* movesLayout = new QGridLayout(moves);
  const struct {
    scope::Arrow arrow;
    Qt::ArrowType type;
    const char* name;
    int row, column;
  } arrows[] = {{scope::Arrow::Up, Qt::UpArrow, "up", 0, 1},
                {scope::Arrow::Left, Qt::LeftArrow, "left", 1, 0},
                {scope::Arrow::Right, Qt::RightArrow, "right", 1, 2},
                {scope::Arrow::Down, Qt::DownArrow, "down", 2, 1}};
  for (const auto& a : arrows) {
    auto* arrow = new QToolButton(moves);
    arrow->setObjectName(QString::fromUtf8(a.name));
    arrow->setArrowType(a.type);
    arrow->setMinimumSize(36, 36);
    const scope::Arrow direction = a.arrow;
    connect(arrow, &QToolButton::pressed, this, [this, direction] {
      model_.pressArrow(direction);
      sync();
    });
    connect(arrow, &QToolButton::released, this, [this] {
      model_.releaseArrow();
      sync();
    });
    movesLayout->addWidget(arrow, a.row, a.column);
  }
  movesLayout->addWidget(
      button(moves, tr("Guiding Mode"), "guidingMode", [this] { model_.toggleGuidingMode(); }), 3,
      0, 1, 2);
  movesLayout->addWidget(label(moves, "guidingModeText",
                               [this] { return QString(QChar::fromLatin1(model_.guidingMode())); }),
                         3, 2);
  movesLayout->addWidget(check(moves, "Swap n/s direction", Check::SwapNorthSouth), 4, 0, 1, 3);
  movesLayout->addWidget(check(moves, "Swap e/w direction", Check::SwapEastWest), 5, 0, 1, 3);
  grid->addWidget(moves, 2, 2);

  // Closing buttons.
  auto* buttons = new QHBoxLayout;
  auto closing = [this](const QString& caption, const char* name,
                        std::function<std::optional<port::DialogResult>()> action) {
    return closingButton(this, caption, name, std::move(action), [this] { sync(); });
  };
  buttons->addStretch();
  buttons->addWidget(closing(tr("Go to Main Camera"), "goToMainCamera",
                             [this] { return model_.goToMainCamera(); }));
  buttons->addWidget(
      closing(tr("Start Guiding"), "startGuiding", [this] { return model_.startGuiding(); }));
  buttons->addWidget(closing(tr("Close"), "close", [this] { return model_.close(); }));
  grid->addLayout(buttons, 3, 0, 1, 3);

  // While "Start" or a training runs inside a control, each pass shows the new state; the
  // loop's next dispatch paints it.
  model_.setRepaint([this] {
    sync();
    update();
  });
  sync();
}

GuiderDialogView::~GuiderDialogView() {
  model_.setRepaint({});
}

void GuiderDialogView::sync() {
  setWindowTitle(toQString(model_.title()));
  for (const auto& update : updates_)
    update();
  // A new picture only when the model's changed (sync also runs on every pointer move).
  if (const auto& bitmap = model_.image(); bitmap && bitmap->pixels != shownPixels_) {
    shownPixels_ = bitmap->pixels;
    image_->setPixmap(pixmapOf(*bitmap));
  }
}

}  // namespace nvk::app::qt
