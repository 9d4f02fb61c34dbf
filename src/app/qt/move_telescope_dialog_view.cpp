#include "app/qt/move_telescope_dialog_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/qt/qt_text.h"

namespace nvk::app::qt {
namespace {

// A number edit bound to one of the model's edit texts.
QLineEdit* numberEdit(QWidget* parent, const QString& name, std::string& bound) {
  auto* edit = new QLineEdit(toQString(bound), parent);
  edit->setObjectName(name);
  edit->setMaximumWidth(70);
  QObject::connect(edit, &QLineEdit::textChanged, parent,
                   [&bound](const QString& value) { bound = value.toStdString(); });
  return edit;
}

QToolButton* arrowButton(QWidget* parent, const QString& name, Qt::ArrowType type) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setArrowType(type);
  button->setMinimumSize(36, 36);
  return button;
}

}  // namespace

TMTDialogView::TMTDialogView(scope::TMTDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  setWindowTitle(toQString(model.title()));
  auto* layout = new QVBoxLayout(this);

  // GoTo by catalogue number or planet.
  auto* objects = new QGroupBox(tr("GoTo Object"), this);
  auto* objectsLayout = new QGridLayout(objects);
  objectsLayout->addWidget(new QLabel(tr("Messier Object"), objects), 0, 0);
  objectsLayout->addWidget(numberEdit(this, "messier", model_.messierText), 0, 1);
  objectsLayout->addWidget(new QLabel(tr("CNGC Object"), objects), 1, 0);
  objectsLayout->addWidget(numberEdit(this, "cngc", model_.cngcText), 1, 1);
  auto* goToObject = new QPushButton(tr("GoTo Object"), objects);
  goToObject->setObjectName("goToObject");
  connect(goToObject, &QPushButton::clicked, this, [this] {
    model_.goToObject();
    refresh();
  });
  objectsLayout->addWidget(goToObject, 0, 2, 2, 1);
  auto* planets = new QHBoxLayout;
  for (const scope::Planet& planet : scope::kPlanets) {
    auto* button = new QPushButton(toQString(planet.name), objects);
    button->setObjectName(toQString(planet.name).toLower());
    connect(button, &QPushButton::clicked, this, [this, &planet] {
      model_.goToPlanet(planet);
      refresh();
    });
    planets->addWidget(button);
  }
  objectsLayout->addLayout(planets, 2, 0, 1, 3);
  layout->addWidget(objects);

  // GoTo by coordinates.
  auto* coordinates = new QGroupBox(tr("Co-ordinates"), this);
  auto* coordinatesLayout = new QGridLayout(coordinates);
  coordinatesLayout->addWidget(new QLabel(tr("R.A."), coordinates), 0, 0);
  coordinatesLayout->addWidget(numberEdit(this, "raHours", model_.raHoursText), 0, 1);
  coordinatesLayout->addWidget(new QLabel(tr("hrs"), coordinates), 0, 2);
  coordinatesLayout->addWidget(numberEdit(this, "raMinutes", model_.raMinutesText), 0, 3);
  coordinatesLayout->addWidget(new QLabel(tr("mins"), coordinates), 0, 4);
  coordinatesLayout->addWidget(new QLabel(tr("Dec."), coordinates), 1, 0);
  coordinatesLayout->addWidget(numberEdit(this, "decDegrees", model_.decDegreesText), 1, 1);
  coordinatesLayout->addWidget(new QLabel(tr("Deg"), coordinates), 1, 2);
  coordinatesLayout->addWidget(numberEdit(this, "decMinutes", model_.decMinutesText), 1, 3);
  coordinatesLayout->addWidget(new QLabel(tr("mins"), coordinates), 1, 4);
  auto* goToCoordinates = new QPushButton(tr("Go To "), coordinates);
  goToCoordinates->setObjectName("goToCoordinates");
  connect(goToCoordinates, &QPushButton::clicked, this, [this] {
    model_.goToCoordinates();
    refresh();
  });
  coordinatesLayout->addWidget(goToCoordinates, 0, 5, 2, 1);
  layout->addWidget(coordinates);

  auto* infoBox = new QGroupBox(tr("Info from Scope"), this);
  auto* infoLayout = new QVBoxLayout(infoBox);
  for (int i = 0; i < 2; ++i) {
    info_[i] = new QLineEdit(infoBox);
    info_[i]->setObjectName(QStringLiteral("info%1").arg(i + 1));
    info_[i]->setReadOnly(true);
    infoLayout->addWidget(info_[i]);
  }
  layout->addWidget(infoBox);

  // The move arrows and their speed, the focus arrows and theirs.
  auto* controls = new QHBoxLayout;
  auto* move = new QGroupBox(tr("Move"), this);
  auto* moveLayout = new QGridLayout(move);
  moveLayout->addWidget(arrow(scope::Arrow::Up, "up", Qt::UpArrow), 0, 1);
  moveLayout->addWidget(arrow(scope::Arrow::Left, "left", Qt::LeftArrow), 1, 0);
  moveLayout->addWidget(arrow(scope::Arrow::Right, "right", Qt::RightArrow), 1, 2);
  moveLayout->addWidget(arrow(scope::Arrow::Down, "down", Qt::DownArrow), 2, 1);
  const std::pair<const char*, scope::TMTDialog::Rate> rates[] = {
      {"Slew", scope::TMTDialog::Rate::Slew},
      {"Find", scope::TMTDialog::Rate::Find},
      {"Centre", scope::TMTDialog::Rate::Centre},
      {"Guide", scope::TMTDialog::Rate::Guide}};
  auto* rateColumn = new QVBoxLayout;
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(tr(rates[i].first), move);
    radio->setObjectName(QString(rates[i].first).toLower());
    const auto rate = rates[i].second;
    connect(radio, &QRadioButton::clicked, this, [this, rate] {
      model_.setRate(rate);
      refresh();
    });
    rates_[i] = radio;
    rateColumn->addWidget(radio);
  }
  moveLayout->addLayout(rateColumn, 0, 3, 3, 1);
  controls->addWidget(move);

  auto* focus = new QGroupBox(tr("Focus"), this);
  auto* focusLayout = new QGridLayout(focus);
  for (const bool up : {true, false}) {
    auto* button =
        arrowButton(focus, up ? "focusUp" : "focusDown", up ? Qt::UpArrow : Qt::DownArrow);
    connect(button, &QToolButton::pressed, this, [this, up] { model_.pressFocus(up); });
    connect(button, &QToolButton::released, this, [this] { model_.releaseFocus(); });
    focusLayout->addWidget(button, up ? 0 : 1, 0);
  }
  fast_ = new QRadioButton(tr("Fast"), focus);
  fast_->setObjectName("fast");
  slow_ = new QRadioButton(tr("Slow"), focus);
  slow_->setObjectName("slow");
  connect(fast_, &QRadioButton::clicked, this, [this] {
    model_.setFocusSpeed(scope::TMTDialog::FocusSpeed::Fast);
    refresh();
  });
  connect(slow_, &QRadioButton::clicked, this, [this] {
    model_.setFocusSpeed(scope::TMTDialog::FocusSpeed::Slow);
    refresh();
  });
  focusLayout->addWidget(fast_, 0, 1);
  focusLayout->addWidget(slow_, 1, 1);
  controls->addWidget(focus);
  layout->addLayout(controls);

  auto* buttons = new QHBoxLayout;
  auto* help = new QPushButton(tr("Help"), this);
  help->setObjectName("help");
  connect(help, &QPushButton::clicked, this, [this] { model_.help(); });
  auto* finished = new QPushButton(tr("Finished"), this);
  finished->setObjectName("finished");
  connect(finished, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addStretch();
  buttons->addWidget(help);
  buttons->addWidget(finished);
  layout->addLayout(buttons);
  refresh();
}

QAbstractButton* TMTDialogView::arrow(scope::Arrow direction, const QString& name,
                                      Qt::ArrowType type) {
  auto* button = arrowButton(this, name, type);
  // Press starts the move and release stops it; the model sends a held arrow's start once.
  connect(button, &QToolButton::pressed, this, [this, direction] { model_.pressArrow(direction); });
  connect(button, &QToolButton::released, this, [this] { model_.releaseArrow(); });
  return button;
}

void TMTDialogView::refresh() {
  for (int i = 0; i < 2; ++i)
    info_[i]->setText(toQString(model_.infoLine(i)));
  rates_[static_cast<int>(model_.rate())]->setChecked(true);
  (model_.focusSpeed() == scope::TMTDialog::FocusSpeed::Fast ? fast_ : slow_)->setChecked(true);
}

TCBDialogView::TCBDialogView(scope::TCBDialog& model, QtUi&, QWidget* parent) : QDialog(parent) {
  setWindowTitle(toQString(model.title()));
  auto* layout = new QGridLayout(this);
  const struct {
    scope::Arrow arrow;
    const char* label;
    int row, column;
  } arrows[] = {{scope::Arrow::Up, "Up", 0, 1},
                {scope::Arrow::Left, "Left", 1, 0},
                {scope::Arrow::Right, "Right", 1, 2},
                {scope::Arrow::Down, "Down", 2, 1}};
  for (const auto& a : arrows) {
    auto* button = new QPushButton(tr(a.label), this);
    button->setObjectName(QString(a.label).toLower());
    const scope::Arrow direction = a.arrow;
    connect(button, &QPushButton::pressed, this,
            [&model, direction] { model.pressArrow(direction); });
    connect(button, &QPushButton::released, this, [&model] { model.releaseArrow(); });
    layout->addWidget(button, a.row, a.column);
  }
  auto* finished = new QPushButton(tr("Finished"), this);
  finished->setObjectName("finished");
  connect(finished, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(finished, 3, 0, 1, 3);
}

}  // namespace nvk::app::qt
