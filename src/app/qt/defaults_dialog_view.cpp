#include "app/qt/defaults_dialog_view.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/qt/qt_ui.h"

namespace nvk::app::qt {
namespace {

using Model = settings::DefaultsDialog;
using settings::Settings;

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The "Telescope Guiding" radio of the INDI mount, beside the settings file's drive letters.
constexpr char kIndiDrive = 'i';

// One radio button: its label, its value, and whether the settings hold that value.
template <typename Value>
struct RadioSpec {
  const char* label;
  Value value;
};

}  // namespace

DefaultsDialogView::DefaultsDialogView(settings::DefaultsDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  const Settings& s = model_.settings();

  // A group of radio buttons: `choose` acts on the model, `current` reads the settings.
  auto radios = [this](const QString& title, auto radioItems, auto choose, auto current,
                       int columns = 1) {
    auto* box = new QGroupBox(title);
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    int index = 0;
    for (const auto& radioItem : radioItems) {
      auto* radio = new QRadioButton(QString::fromUtf8(radioItem.label), box);
      radio->setObjectName(QString::fromUtf8(radioItem.label).trimmed());
      group->addButton(radio, index);
      grid->addWidget(radio, index / columns, index % columns);
      const auto value = radioItem.value;
      connect(radio, &QRadioButton::clicked, this, [this, choose, value] {
        choose(value);
        refresh();
      });
      refreshers_.push_back([radio, current, value] { radio->setChecked(current() == value); });
      ++index;
    }
    return box;
  };
  // A check box: `toggle` is the model's action, `checked` reads the settings.
  auto check = [this](const char* label, std::function<void()> toggle, auto checked) {
    auto* box = new QCheckBox(QString::fromUtf8(label));
    box->setObjectName(QString::fromUtf8(label).trimmed());
    connect(box, &QCheckBox::clicked, this, [this, toggle] {
      toggle();
      refresh();
    });
    refreshers_.push_back([box, checked] { box->setChecked(checked()); });
    return box;
  };
  auto button = [this](const char* label, std::function<void()> action) {
    auto* b = new QPushButton(QString::fromUtf8(label));
    b->setObjectName(QString::fromUtf8(label).trimmed());
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, action] {
      action();
      refresh();
    });
    return b;
  };

  // --- Guide star and guiding ---
  auto* maskBox = radios(
      tr("Radius of Guide Star Mask"),
      std::array<RadioSpec<int>, 6>{{{"7 Pixels", 7},
                                     {"8 Pixels", 8},
                                     {"9 Pixels", 9},
                                     {"11 Pixels", 11},
                                     {"13 Pixels", 13},
                                     {"15 Pixels", 15}}},
      [this](int v) { model_.setGuideStarMaskRadius(v); },
      [&s] { return static_cast<int>(s.guideStarMaskRadius); }, 2);
  auto* backgroundBox = radios(
      tr("Window Background"),
      std::array<RadioSpec<settings::WindowBackground>, 3>{
          {{"Lt Gray", settings::WindowBackground::LightGrey},
           {"Red", settings::WindowBackground::Red},
           {"Gray", settings::WindowBackground::Grey}}},
      [this](settings::WindowBackground v) { model_.setWindowBackground(v); },
      [&s] { return s.windowBackground; });
  // The drives of the settings file, and the INDI mount of the preferences (kIndiDrive).
  using settings::GuideOutputMode;
  auto* telescopeBox = radios(
      tr("Telescope Guiding"),
      std::array<RadioSpec<char>, 4>{
          {{"None", static_cast<char>(GuideOutputMode::None)},
           {"Meade LX200 (Tm)", static_cast<char>(GuideOutputMode::Lx200)},
           {"Autoguider Socket", static_cast<char>(GuideOutputMode::AutoguiderSocket)},
           {"INDI", kIndiDrive}}},
      [this](char v) {
        if (v == kIndiDrive) {
          model_.chooseIndi();
        } else {
          model_.setGuideOutputMode(static_cast<GuideOutputMode>(v));
        }
      },
      [this, &s] {
        return model_.indiChosen() ? kIndiDrive : static_cast<char>(s.guideOutputMode);
      });
  // The INDI server and devices, taken when an edit is left.
  auto* indiBox = new QGroupBox(tr("INDI Mount"));
  {
    auto* grid = new QGridLayout(indiBox);
    struct Row {
      const char* label;
      std::string Model::IndiEdits::*field;
    };
    const Row rows[] = {{"INDI host", &Model::IndiEdits::host},
                        {"INDI port", &Model::IndiEdits::port},
                        {"INDI mount", &Model::IndiEdits::mount},
                        {"INDI focuser", &Model::IndiEdits::focuser}};
    int r = 0;
    for (const Row& row : rows) {
      grid->addWidget(new QLabel(QString::fromUtf8(row.label + 5)), r, 0);
      QLineEdit* edit = boundEdit(model_.indiEdits.*row.field, indiBox);
      edit->setObjectName(QString::fromUtf8(row.label));
      connect(edit, &QLineEdit::editingFinished, this, [this] {
        model_.setIndiDetails();
        refresh();
      });
      grid->addWidget(edit, r++, 1);
    }
  }
  if (!model_.indiOffered()) {
    telescopeBox->findChild<QRadioButton*>(QStringLiteral("INDI"))->setVisible(false);
    indiBox->setVisible(false);
  }
  auto* comBox = radios(
      tr("Com Port for telescope"), std::array<RadioSpec<int>, 2>{{{"Com1", 0}, {"Com2", 1}}},
      [this](int v) { model_.setTelescopeComPort(v); },
      [&s] { return static_cast<int>(s.telescopePortIndex); }, 2);
  {
    auto* device = new QLabel(comBox);
    device->setObjectName(QStringLiteral("telescopeDevice"));
    device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    refreshers_.push_back([this, device] { device->setText(q(model_.telescopeDeviceText())); });
    static_cast<QGridLayout*>(comBox->layout())->addWidget(device, 1, 0, 1, 2);
  }

  // --- Slew values ---
  auto* slewBox = new QGroupBox(tr("Guide Rates and Backlash"));
  {
    auto* grid = new QGridLayout(slewBox);
    grid->addWidget(new QLabel(tr("Main Camera")), 0, 1);
    grid->addWidget(new QLabel(tr("Autoguider")), 0, 2);
    struct Row {
      const char* label;
      std::string Model::SlewEdits::*field;
    };
    const Row rows[] = {
        {"RA pixels per sec", &Model::SlewEdits::raRate},
        {"Dec pixels per sec", &Model::SlewEdits::decRate},
        {"RA Backlash", &Model::SlewEdits::raBacklash},
        {"Dec Backlash", &Model::SlewEdits::decBacklash},
        {"Hysteresis in RA (0-10)", &Model::SlewEdits::raHysteresis},
        {"Hysteresis in Dec (0-20)", &Model::SlewEdits::decHysteresis},
    };
    int r = 1;
    for (const Row& row : rows) {
      grid->addWidget(new QLabel(QString::fromUtf8(row.label)), r, 0);
      QLineEdit* main = boundEdit(model_.mainEdits.*row.field, slewBox, 6);
      main->setObjectName(QStringLiteral("main %1").arg(QString::fromUtf8(row.label)));
      QLineEdit* guider = boundEdit(model_.guiderEdits.*row.field, slewBox, 6);
      guider->setObjectName(QStringLiteral("guider %1").arg(QString::fromUtf8(row.label)));
      grid->addWidget(main, r, 1);
      grid->addWidget(guider, r, 2);
      ++r;
    }
    grid->addWidget(button("Set slew values", [this] { model_.setSlewValues(); }), r, 0, 1, 3);
  }

  auto* accuracyBox = radios(
      tr("Guide Accuracy"),
      std::array<RadioSpec<int>, 4>{
          {{"1.0 pixel", 1000}, {"0.8 pixel", 800}, {"0.5 pixel", 500}, {"0.2 pixel", 200}}},
      [this](int v) { model_.setGuideAccuracy(v); },
      [&s] { return static_cast<int>(s.guideAccuracy); }, 2);
  {
    auto* layout = qobject_cast<QGridLayout*>(accuracyBox->layout());
    layout->addWidget(check(
                          "Ignore drift < Selected", [this] { model_.toggleIgnoreDrift(); },
                          [&s] { return s.ignoreDriftBelowAccuracy; }),
                      2, 0, 1, 2);
  }

  auto* guidingBox = new QGroupBox(tr("Guiding"));
  {
    auto* layout = new QVBoxLayout(guidingBox);
    layout->addWidget(check(
        "Ignore Backlash", [this] { model_.toggleIgnoreBacklash(); },
        [&s] { return s.ignoreBacklash; }));
    layout->addWidget(check(
        "Turn off North Corrections", [this] { model_.toggleNoNorthCorrections(); },
        [&s] { return s.noNorthCorrections; }));
    layout->addWidget(check(
        "Turn off South Corrections", [this] { model_.toggleNoSouthCorrections(); },
        [&s] { return s.noSouthCorrections; }));
    layout->addWidget(check(
        "Double Motor Slew times", [this] { model_.toggleDoubleSlewTimes(); },
        [&s] { return s.slewTimeFactor == 2; }));
    layout->addWidget(check(
        "Bypass Camera Helmix Interface ", [this] { model_.toggleBypassHelmix(); },
        [&s] { return s.bypassHelmixInterface; }));
  }

  auto trainingSpecs =
      std::array<RadioSpec<int>, 4>{{{"1 Sec", 1}, {"2 Sec", 2}, {"4 Sec", 4}, {"8 Sec", 8}}};
  auto* trainingBox = new QGroupBox(tr("Default Guide Training Time"));
  {
    auto* layout = new QHBoxLayout(trainingBox);
    auto* mainTraining = radios(
        tr("Main Camera"), trainingSpecs, [this](int v) { model_.setTrainingSeconds(true, v); },
        [&s] { return s.mainTrainingSeconds; }, 2);
    auto* guiderTraining = radios(
        tr("Autoguider"), trainingSpecs, [this](int v) { model_.setTrainingSeconds(false, v); },
        [&s] { return s.guiderTrainingSeconds; }, 2);
    mainTraining->setObjectName(QStringLiteral("mainTraining"));
    guiderTraining->setObjectName(QStringLiteral("guiderTraining"));
    layout->addWidget(mainTraining);
    layout->addWidget(guiderTraining);
  }

  // --- Filter wheel ---
  auto* filterBox = new QGroupBox(tr("Filter Wheel and Filters"));
  {
    auto* grid = new QGridLayout(filterBox);
    grid->addWidget(check(
                        "Filter Wheel", [this] { model_.toggleFilterWheelOnSerialPort(); },
                        [&s] { return s.filterWheelOnSerialPort; }),
                    0, 0);
    auto* port = new QLabel(filterBox);
    port->setObjectName(QStringLiteral("filterWheelPort"));
    refreshers_.push_back([this, port] { port->setText(q(model_.filterWheelPortText())); });
    grid->addWidget(port, 0, 1);
    grid->addWidget(check(
                        "Use USB Filterwheel ", [this] { model_.toggleUseUsbFilterWheel(); },
                        [&s] { return s.useUsbFilterWheel; }),
                    1, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Number of Filtes (max 8)")), 2, 0);
    QLineEdit* count = boundEdit(model_.filterCountEdit, filterBox, 2);
    count->setObjectName(QStringLiteral("filterCount"));
    grid->addWidget(count, 2, 1);
    for (int i = 0; i < Settings::kMaxFilters; ++i) {
      QLineEdit* name =
          boundEdit(model_.filterNameEdits[static_cast<std::size_t>(i)], filterBox, 8);
      name->setObjectName(QStringLiteral("filterName%1").arg(i + 1));
      grid->addWidget(name, 3 + i / 2, i % 2);
    }
    grid->addWidget(button("Set Filter Details", [this] { model_.setFilterDetails(); }), 7, 0, 1,
                    2);
  }

  // --- Autosave ---
  auto* autosaveBox = new QGroupBox(tr("AutoSave Directory"));
  {
    auto* grid = new QGridLayout(autosaveBox);
    QLineEdit* dir =
        boundEdit(model_.autosaveDirEdit, autosaveBox, static_cast<int>(Model::kMaxDirectoryChars));
    dir->setObjectName(QStringLiteral("autosaveDir"));
    grid->addWidget(dir, 0, 0, 1, 3);
    grid->addWidget(button("Set AutoSave Dir", [this] { model_.setAutosaveDir(); }), 1, 0);
    grid->addWidget(new QLabel(tr("Last Num")), 1, 1);
    auto* lastNum = new QLabel(autosaveBox);
    lastNum->setObjectName(QStringLiteral("lastNum"));
    refreshers_.push_back([this, lastNum] { lastNum->setText(q(model_.lastNumText())); });
    grid->addWidget(lastNum, 1, 2);
    // Where "c:\AUTOSAVE" (or the folder typed) is on this machine.
    auto* folder = new QLabel(autosaveBox);
    folder->setObjectName(QStringLiteral("autosaveFolderHere"));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folder->setWordWrap(true);
    refreshers_.push_back([this, folder] {
      folder->setText(tr("On this computer: ") + q(model_.autosaveFolderOnThisMachine()));
    });
    connect(dir, &QLineEdit::editingFinished, this, [this] { refresh(); });
    grid->addWidget(folder, 2, 0, 1, 3);
  }

  // --- Camera, colour and files ---
  auto* colourBox = new QGroupBox(tr("Colour Conversion Parameters"));
  {
    auto* layout = new QVBoxLayout(colourBox);
    layout->addWidget(check(
        "Pixel Offset", [this] { model_.togglePixelOffset(); }, [&s] { return s.pixelOffset; }));
    layout->addWidget(check(
        "Line Offset", [this] { model_.toggleLineOffset(); }, [&s] { return s.lineOffset; }));
  }
  auto* vidPidBox = new QGroupBox(tr("Camers VID/PID Detection"));
  {
    auto* layout = new QVBoxLayout(vidPidBox);
    layout->addWidget(check(
        "Ignore Camera VID/PID", [this] { model_.toggleIgnoreVidPid(); },
        [&s] { return s.ignoreCameraVidPid; }));
  }
  auto* cameraBox = new QGroupBox(tr("Camera and Files"));
  {
    auto* layout = new QVBoxLayout(cameraBox);
    layout->addWidget(check(
        "1 sec delay when focussing", [this] { model_.toggleFocusDelay(); },
        [&s] { return s.focusOneSecondDelay; }));
    layout->addWidget(check(
        "Show Interface Details", [this] { model_.toggleShowInterfaceDetails(); },
        [&s] { return s.showInterfaceDetails; }));
    layout->addWidget(check(
        "Force Maximum Cooling", [this] { model_.toggleForceMaximumCooling(); },
        [&s] { return s.forceMaxCooling; }));
    layout->addWidget(check(
        "Pad FITs Files", [this] { model_.togglePadFits(); }, [&s] { return s.padFits; }));
    layout->addWidget(check(
        "Save in 16bit Tiff format", [this] { model_.toggleTiff16Bit(); },
        [&s] { return s.tiff16Bit; }));
    layout->addWidget(check(
        "Standard FITS Keywords", [this] { model_.toggleStandardKeywords(); },
        [this] { return model_.standardKeywords(); }));
  }

  // --- AO unit and serial ports ---
  auto* aoBox = new QGroupBox(tr("AO Unit and Serial Ports"));
  {
    auto* grid = new QGridLayout(aoBox);
    grid->addWidget(check(
                        "AO Unit Available", [this] { model_.toggleAoAvailable(); },
                        [&s] { return s.aoAvailable; }),
                    0, 0, 1, 2);
    grid->addWidget(check(
                        "Select half rate", [this] { model_.toggleAoHalfRate(); },
                        [&s] { return s.aoHalfRate; }),
                    1, 0, 1, 2);
    grid->addWidget(new QLabel(tr("PC Com Port")), 2, 0);
    QLineEdit* pcPort = boundEdit(model_.pcComPortEdit, aoBox, 1);
    pcPort->setObjectName(QStringLiteral("pcComPort"));
    connect(pcPort, &QLineEdit::editingFinished, this, [this] {
      model_.setPcComPort();
      refresh();
    });
    grid->addWidget(pcPort, 2, 1);
    for (int i = 0; i < base::ComPortMap::kPorts; ++i) {
      grid->addWidget(new QLabel(QStringLiteral("COM%1 device").arg(i + 1)), 3 + i, 0);
      QLineEdit* device = boundEdit(model_.comPortDeviceEdits[static_cast<std::size_t>(i)], aoBox);
      device->setObjectName(QStringLiteral("com%1Device").arg(i + 1));
      grid->addWidget(device, 3 + i, 1);
    }
  }

  // Three columns of groups inside a scroll area, so the dialog fits a small screen.
  auto* page = new QWidget;
  auto* columns = new QHBoxLayout(page);
  auto column = [columns](std::initializer_list<QWidget*> widgets) {
    auto* layout = new QVBoxLayout;
    for (QWidget* w : widgets)
      layout->addWidget(w);
    layout->addStretch(1);
    columns->addLayout(layout);
  };
  column({maskBox, backgroundBox, telescopeBox, indiBox, comBox, accuracyBox});
  column({slewBox, guidingBox, trainingBox});
  column({filterBox, autosaveBox, colourBox, vidPidBox, cameraBox, aoBox});
  auto* scroll = new QScrollArea;
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);

  auto* save = new QPushButton(tr("Save Changes"));
  save->setObjectName(QStringLiteral("Save Changes"));
  save->setDefault(true);
  connect(save, &QPushButton::clicked, this, [this] {
    if (model_.saveChanges()) {
      accept();
    } else {
      refresh();
    }
  });
  auto* cancel = new QPushButton(tr("Cancel"));
  cancel->setObjectName(QStringLiteral("Cancel"));
  connect(cancel, &QPushButton::clicked, this, [this] {
    model_.cancel();
    reject();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addLayout(buttons);
  resize(1000, 720);
  refresh();
}

QLineEdit* DefaultsDialogView::boundEdit(std::string& text, QWidget* parent, int maxLength) {
  auto* edit = new QLineEdit(parent);
  if (maxLength > 0) edit->setMaxLength(maxLength);
  connect(edit, &QLineEdit::textEdited, this,
          [&text](const QString& typed) { text = typed.toStdString(); });
  refreshers_.push_back([edit, &text] {
    const QString shown = QString::fromStdString(text);
    if (edit->text() != shown) edit->setText(shown);
  });
  return edit;
}

void DefaultsDialogView::refresh() {
  for (const auto& r : refreshers_)
    r();
}

}  // namespace nvk::app::qt
