#include "app/qt/camera_dialog_view.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/qt/qt_text.h"
#include "app/qt/qt_ui.h"
#include "app/qt/qt_widgets.h"

namespace nvk::app::qt {
CameraDialogView::CameraDialogView(acquire::TNVDialog& model, QtUi& /*ui*/, QWidget* parent)
    : QDialog(parent), model_(model) {
  using Check = acquire::TNVDialog::Check;
  setWindowTitle(toQString(model_.title()));
  // Four columns, so that the dialog and its closing buttons fit the 1024 x 768 frame (a
  // narrow filter wheel box keeps the last column narrow):
  //   range    | mode     | focus window | temperature
  //   exposures (run)     | focus window | filter wheel
  //   options (two rows)  | camera state
  auto* grid = new QGridLayout(this);

  auto button = [this](QWidget* parentWidget, const char* caption, const char* name,
                       std::function<void()> action) {
    return actionButton(parentWidget, QString::fromUtf8(caption), name, [this, action] {
      action();
      sync();
    });
  };
  auto label = [this](QWidget* parentWidget, std::function<QString()> value) {
    auto* l = new QLabel(parentWidget);
    updates_.push_back([l, value] { l->setText(value()); });
    return l;
  };

  // Exposure range and value.
  auto* range = new QGroupBox(tr("Exposure Range"), this);
  auto* rangeLayout = new QVBoxLayout(range);
  const ExposureUnit units[] = {{'q', "Thousandths"},
                                {'h', "Hundredth's"},
                                {'t', "Tenth's"},
                                {'s', "Seconds"},
                                {'m', "Minutes"}};
  updates_.push_back(addExposureUnitRadios(
      range, rangeLayout, units, [this] { return model_.unit(); },
      [this](char unit) {
        model_.chooseUnit(unit);
        sync();
      }));
  auto* valueRow = new QHBoxLayout;
  exposureField_ = new QLineEdit(range);
  exposureField_->setObjectName(QStringLiteral("exposureValue"));
  exposureField_->setMaximumWidth(80);
  connect(exposureField_, &QLineEdit::textEdited, this,
          [this](const QString& t) { model_.setExposureField(t.toStdString()); });
  commitOnFinish(
      exposureField_,
      [this](const std::string& text) {
        model_.setExposureField(text);
        model_.commitExposureField();
      },
      [this] { sync(); });
  valueRow->addWidget(button(range, "<", "exposureLeft", [this] { model_.exposureLeft(); }));
  valueRow->addWidget(exposureField_);
  valueRow->addWidget(button(range, ">", "exposureRight", [this] { model_.exposureRight(); }));
  rangeLayout->addLayout(valueRow);
  grid->addWidget(range, 0, 0);

  // Run.
  auto* run = new QGroupBox(tr("Exposures"), this);
  auto* runLayout = new QFormLayout(run);
  // Each caption above its controls keeps the box narrow.
  runLayout->setRowWrapPolicy(QFormLayout::WrapAllRows);
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(button(run, "<", "countLeft", [this] { model_.exposuresLeft(); }));
  countRow->addWidget(label(run, [this] { return QString::number(model_.exposureCount()); }));
  countRow->addWidget(button(run, ">", "countRight", [this] { model_.exposuresRight(); }));
  runLayout->addRow(tr("No of Exposures"), countRow);
  auto* pauseRow = new QHBoxLayout;
  pauseRow->addWidget(button(run, "<", "pauseLeft", [this] { model_.pauseLeft(); }));
  pauseRow->addWidget(label(run, [this] { return QString::number(model_.pause()); }));
  pauseRow->addWidget(button(run, ">", "pauseRight", [this] { model_.pauseRight(); }));
  auto* pauseSeconds = new QRadioButton(tr("Seconds"), run);
  auto* pauseMinutes = new QRadioButton(tr("Minutes"), run);
  auto* pauseUnits = new QButtonGroup(this);
  pauseUnits->addButton(pauseSeconds, 0);
  pauseUnits->addButton(pauseMinutes, 1);
  connect(pauseUnits, &QButtonGroup::idClicked, this, [this](int id) {
    model_.setPauseInMinutes(id == 1);
    sync();
  });
  updates_.push_back([this, pauseSeconds, pauseMinutes] {
    pauseSeconds->setChecked(!model_.pauseInMinutes());
    pauseMinutes->setChecked(model_.pauseInMinutes());
  });
  pauseRow->addWidget(pauseSeconds);
  pauseRow->addWidget(pauseMinutes);
  runLayout->addRow(tr("Delay between exposures"), pauseRow);
  runLayout->addRow(tr("Camera Mode"),
                    label(run, [this] { return toQString(model_.cameraModeText()); }));
  grid->addWidget(run, 1, 0, 1, 2);

  // Exposure mode.
  auto* modes = new QGroupBox(tr("Exposure Mode"), this);
  auto* modesLayout = new QVBoxLayout(modes);
  auto* modeGroup = new QButtonGroup(this);
  const char* modeNames[] = {"High Resolution (Colour)", "Binned 2x2", "Binned 4x4", "Binned 4x8",
                             "User Defined SubFrame"};
  for (int mode = 1; mode <= 5; ++mode) {
    auto* radio = new QRadioButton(QString::fromUtf8(modeNames[mode - 1]), modes);
    radio->setObjectName(QStringLiteral("mode%1").arg(mode));
    modeGroup->addButton(radio, mode);
    modesLayout->addWidget(radio);
    updates_.push_back([this, radio, mode] { radio->setChecked(model_.readoutMode() == mode); });
  }
  connect(modeGroup, &QButtonGroup::idClicked, this, [this](int mode) {
    model_.chooseReadoutMode(mode);
    sync();
  });
  grid->addWidget(modes, 0, 1);

  // Options.
  auto* options = new QGroupBox(tr("Options"), this);
  auto* optionsLayout = new QGridLayout(options);
  const std::pair<Check, const char*> checks[] = {
      {Check::Continuous, "Continuous Mode"},
      {Check::Average, "Average Multiple Exposures"},
      {Check::AlternativeSlew, "Alternative Slew Method"},
      {Check::DelayBeforeExposure, "Delay before exposure"},
      {Check::AutoSave, "Auto Save Image"},
      {Check::AutoRemoveDark, "Auto-Remove Dark Frame"},
      {Check::AutoApplyFlat, "Auto-Apply Flatfield"},
      {Check::AutoProcess, "Apply Auto-Processing"},
      {Check::AutochangeExposure, "Autochange Exposure"},
      {Check::BinFocusFrame, "Bin Focus Frame"},
  };
  constexpr int kOptionRows = 5;
  int option = 0;
  for (const auto& [check, name] : checks) {
    auto* box = new QCheckBox(QString::fromUtf8(name), options);
    optionsLayout->addWidget(box, option % kOptionRows, option / kOptionRows);
    ++option;
    connect(box, &QCheckBox::clicked, this, [this, c = check] {
      model_.toggle(c);
      sync();
    });
    updates_.push_back([this, box, c = check] {
      QSignalBlocker block(box);
      box->setChecked(model_.checked(c));
    });
  }
  grid->addWidget(options, 2, 0, 1, 2);

  // Focus window, read-outs, stretch and focus mode.
  auto* focus = new QGroupBox(tr("Focus Window"), this);
  auto* focusLayout = new QFormLayout(focus);
  focusImage_ = new QLabel(focus);
  focusImage_->setObjectName(QStringLiteral("focusImage"));
  focusImage_->setFixedSize(128, 128);
  focusImage_->setFrameShape(QFrame::Box);
  auto* imageRow = new QHBoxLayout;
  imageRow->addWidget(focusImage_);
  focusLayout->addRow(imageRow);
  auto* focusMode = new QHBoxLayout;
  focusMode->addWidget(new QLabel(tr("Focus Mode"), focus));
  focusMode->addWidget(button(focus, "Start", "focusStart", [this] { model_.startFocus(); }));
  auto* focusStop = button(focus, "Stop", "focusStop", [this] { model_.stopFocus(); });
  passPressesDuringOperations(focusStop);
  focusMode->addWidget(focusStop);
  focusLayout->addRow(focusMode);
  // The mount's focuser, held like the Move Telescope dialog's focus arrows. A press on these
  // does not end focus mode, so the FWHM can be watched while the focuser moves.
  auto* focuser = new QHBoxLayout;
  focuser->addWidget(new QLabel(tr("Focuser"), focus));
  for (const bool in : {true, false}) {
    auto* b = new QPushButton(in ? tr("In") : tr("Out"), focus);
    b->setObjectName(in ? QStringLiteral("focuserIn") : QStringLiteral("focuserOut"));
    b->setAutoDefault(false);
    passPressesDuringOperations(b);
    connect(b, &QPushButton::pressed, this, [this, in] { model_.focuserPress(in); });
    connect(b, &QPushButton::released, this, [this] { model_.focuserRelease(); });
    updates_.push_back([this, b] { b->setEnabled(model_.focuserAvailable()); });
    focuser->addWidget(b);
  }
  focusLayout->addRow(focuser);
  focusLayout->addRow(tr("Max Value"),
                      label(focus, [this] { return toQString(model_.maxValueText()); }));
  auto* fwhm = label(focus, [this] { return toQString(model_.fwhmText()); });
  fwhm->setObjectName(QStringLiteral("fwhm"));
  focusLayout->addRow(tr("FWHM"), fwhm);
  stretchBar_ = new QScrollBar(Qt::Vertical, focus);
  stretchBar_->setRange(acquire::TNVDialog::kStretchMin, acquire::TNVDialog::kStretchMax);
  connect(stretchBar_, &QScrollBar::actionTriggered, this, [this](int action) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub:
        model_.stretchLineUp();
        break;
      case QAbstractSlider::SliderSingleStepAdd:
        model_.stretchLineDown();
        break;
      case QAbstractSlider::SliderPageStepSub:
        model_.stretchPageUp();
        break;
      case QAbstractSlider::SliderPageStepAdd:
        model_.stretchPageDown();
        break;
      case QAbstractSlider::SliderMove:
        model_.stretchDrag(stretchBar_->sliderPosition());
        break;
      default:
        return;
    }
    stretchBar_->setSliderPosition(model_.focusStretch());
    sync();
  });
  // The stretch bar stands beside the focus image, as tall as it.
  stretchBar_->setFixedHeight(128);
  imageRow->addWidget(stretchBar_);
  imageRow->addWidget(new QLabel(tr("Stretch"), focus));
  imageRow->addStretch();
  grid->addWidget(focus, 0, 2, 2, 1);

  // Cooler.
  auto* cooler = new QGroupBox(tr("Camera Temperature"), this);
  auto* coolerLayout = new QFormLayout(cooler);
  coolerLayout->addRow(tr("Actual"),
                       label(cooler, [this] { return toQString(model_.actualText()); }));
  coolerLayout->addRow(tr("Set"), label(cooler, [this] { return toQString(model_.setText()); }));
  setPointBar_ = new QScrollBar(Qt::Horizontal, cooler);
  setPointBar_->setObjectName(QStringLiteral("setPoint"));
  setPointBar_->setRange(acquire::TNVDialog::kSetPointMin, acquire::TNVDialog::kSetPointMax);
  connect(setPointBar_, &QScrollBar::actionTriggered, this, [this](int action) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub:
        model_.setPointLineLeft();
        break;
      case QAbstractSlider::SliderSingleStepAdd:
        model_.setPointLineRight();
        break;
      case QAbstractSlider::SliderPageStepSub:
        model_.setPointPageLeft();
        break;
      case QAbstractSlider::SliderPageStepAdd:
        model_.setPointPageRight();
        break;
      case QAbstractSlider::SliderMove:
        model_.setPointDrag(setPointBar_->sliderPosition());
        break;
      default:
        return;
    }
    setPointBar_->setSliderPosition(model_.setPoint());
    sync();
  });
  coolerLayout->addRow(setPointBar_);
  auto* coolingOn = new QCheckBox(tr("Cooling On"), cooler);
  connect(coolingOn, &QCheckBox::clicked, this, [this] {
    model_.toggleCooling();
    sync();
  });
  updates_.push_back([this, coolingOn] {
    QSignalBlocker block(coolingOn);
    coolingOn->setChecked(model_.coolingOn());
    coolingOn->setEnabled(model_.coolingEnabled());
  });
  coolerLayout->addRow(coolingOn);
  auto* monitor = button(cooler, "Monitor", "monitor", [this] { model_.monitor(); });
  // A second press, on "Monitoring", ends the monitor.
  passPressesDuringOperations(monitor);
  updates_.push_back([this, monitor] { monitor->setText(toQString(model_.monitorText())); });
  coolerLayout->addRow(monitor);
  coolerLayout->addRow(label(cooler, [this] { return toQString(model_.coolingModeText()); }));
  grid->addWidget(cooler, 0, 3);

  // Filter wheel.
  auto* wheel = new QGroupBox(tr("Filter Wheel"), this);
  auto* wheelLayout = new QGridLayout(wheel);
  wheelLayout->addWidget(button(wheel, "First", "filterFirst", [this] { model_.filterFirst(); }), 0,
                         0);
  wheelLayout->addWidget(button(wheel, "Prev", "filterPrev", [this] { model_.filterPrev(); }), 1,
                         0);
  wheelLayout->addWidget(button(wheel, "Next", "filterNext", [this] { model_.filterNext(); }), 1,
                         1);
  wheelLayout->addWidget(label(wheel,
                               [this] {
                                 return QString::number(model_.filterPosition()) +
                                        QStringLiteral(" ") + toQString(model_.filterName());
                               }),
                         2, 0, 1, 2);
  grid->addWidget(wheel, 1, 3);

  // Camera state.
  auto* state = new QGroupBox(tr("Camera"), this);
  auto* stateLayout = new QFormLayout(state);
  stateLayout->addRow(tr("AutoGuider Status"),
                      label(state, [this] { return toQString(model_.autoguiderStatusText()); }));
  stateLayout->addRow(tr("Camera Firmware Version"),
                      label(state, [this] { return toQString(model_.firmwareText()); }));
  stateLayout->addRow(tr("Last file no."),
                      label(state, [this] { return toQString(model_.lastFileText()); }));
  // Folders and files: a long path is cut at the box's edge (the whole path is its tooltip)
  // rather than widening the dialog past the screen.
  const std::pair<const char*, std::function<QString()>> paths[] = {
      {"Sub-Dir", [this] { return toQString(model_.subDirectoryText()); }},
      {"Dark", [this] { return toQString(model_.darkFileText()); }},
      {"Flat", [this] { return toQString(model_.flatFileText()); }},
  };
  for (const auto& [caption, text] : paths) {
    auto* path = label(state, text);
    path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    path->setMinimumWidth(200);
    updates_.push_back([path] { path->setToolTip(path->text()); });
    stateLayout->addRow(QString::fromUtf8(caption), path);
  }
  grid->addWidget(state, 2, 2, 1, 2);

  // Closing buttons.
  auto* buttons = new QHBoxLayout;
  auto closing = [this](const char* caption, const char* name,
                        std::function<std::optional<port::DialogResult>()> action) {
    return closingButton(this, QString::fromUtf8(caption), name, std::move(action),
                         [this] { sync(); });
  };
  buttons->addWidget(closing("Take Photo", "takePhoto", [this] { return model_.takePhoto(); }));
  buttons->addWidget(
      closing("Autoguide Photo", "autoguidePhoto", [this] { return model_.autoguidePhoto(); }));
  buttons->addWidget(
      closing("Go to Autoguider ", "goToAutoguider", [this] { return model_.goToAutoguider(); }));
  buttons->addWidget(closing("Cancel", "cancel", [this] { return model_.cancel(); }));
  buttons->addWidget(button(this, "Help", "help", [this] { model_.help(); }));
  grid->addLayout(buttons, 3, 0, 1, 4);

  // While focus mode or the cooling monitor runs inside a control, each pass shows the new
  // state; the loop's next dispatch paints it.
  model_.setRepaint([this] {
    sync();
    update();
  });
  sync();
}

CameraDialogView::~CameraDialogView() {
  model_.setRepaint({});
  // A focuser still moving when the dialog goes (its button held) stops.
  model_.focuserRelease();
}

void CameraDialogView::sync() {
  {
    QSignalBlocker block(exposureField_);
    exposureField_->setText(QString::fromStdString(model_.exposureField()));
  }
  {
    QSignalBlocker block(stretchBar_);
    stretchBar_->setValue(model_.focusStretch());
  }
  {
    QSignalBlocker block(setPointBar_);
    setPointBar_->setValue(model_.setPoint());
    setPointBar_->setEnabled(model_.coolingEnabled());
  }
  for (const auto& update : updates_)
    update();
  if (auto bitmap = model_.focusImage()) focusImage_->setPixmap(pixmapOf(*bitmap));
}

}  // namespace nvk::app::qt
