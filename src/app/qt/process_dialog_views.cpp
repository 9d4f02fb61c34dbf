#include "app/qt/process_dialog_views.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "app/qt/qt_text.h"
#include "app/qt/qt_ui.h"
#include "app/qt/qt_widgets.h"

namespace nvk::app::qt {
namespace {

using process::Scroll;

// A horizontal scroll bar whose every action goes to the model; the bar then shows the value
// the model settled on (set during the action, so Qt's own step never applies).
QScrollBar* modelScrollBar(QWidget* parent, int low, int high, int page,
                           std::function<void(Scroll, int)> act, std::function<int()> value,
                           std::function<void()> refresh) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setRange(low, high);
  bar->setPageStep(page);
  bar->setValue(value());
  bar->setMinimumWidth(260);
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [=](int action) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub:
        act(Scroll::LineLeft, 0);
        break;
      case QAbstractSlider::SliderSingleStepAdd:
        act(Scroll::LineRight, 0);
        break;
      case QAbstractSlider::SliderPageStepSub:
        act(Scroll::PageLeft, 0);
        break;
      case QAbstractSlider::SliderPageStepAdd:
        act(Scroll::PageRight, 0);
        break;
      case QAbstractSlider::SliderMove:
        act(Scroll::Thumb, bar->sliderPosition());
        break;
      default:
        break;
    }
    bar->setSliderPosition(value());
    refresh();
  });
  return bar;
}

QLineEdit* field(QWidget* parent, const std::string& value, bool readOnly = true) {
  auto* edit = new QLineEdit(toQString(value), parent);
  edit->setReadOnly(readOnly);
  edit->setMaximumWidth(90);
  return edit;
}

QDialogButtonBox* okCancelHelp(QDialog* dialog, std::function<void()> help) {
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog, [help] { help(); });
  return buttons;
}

// The histogram of the Normal Stretch: 256 bars over a baseline with ticks every 32 values, and
// the black and white markers below it.
class HistogramWidget final : public QWidget {
 public:
  HistogramWidget(const process::NormalStretchDialog& model, QWidget* parent)
      : QWidget(parent), model_(model) {
    setFixedSize(276, 240);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int left = 10;
    const int base = 215;
    const auto bars = model_.bars();
    for (int v = 0; v < 256; ++v) {
      painter.setPen(bars[v].limited ? Qt::red : Qt::darkBlue);
      if (bars[v].height > 0) painter.drawLine(left + v, base, left + v, base - bars[v].height);
    }
    painter.setPen(Qt::black);
    painter.drawLine(left, base, left + 256, base);
    for (int t : process::NormalStretchDialog::ticks())
      painter.drawLine(left + t, base, left + t, base + 4);
    const auto marker = [&](int at) {
      const QPoint tip(left + at, base + 6);
      const QPoint points[3] = {tip, tip + QPoint(-4, 8), tip + QPoint(4, 8)};
      painter.setBrush(Qt::black);
      painter.drawPolygon(points, 3);
    };
    marker(model_.blackMarker());
    marker(model_.whiteMarker());
  }

 private:
  const process::NormalStretchDialog& model_;
};

}  // namespace

NormalStretchView::NormalStretchView(process::NormalStretchDialog& model, QtUi& ui, QWidget* parent)
    : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* histogram = new HistogramWidget(model, this);
  layout->addWidget(histogram);
  auto* grid = new QGridLayout;
  auto* black = field(this, model.blackText(), false);
  auto* white = field(this, model.whiteText(), false);
  black->setObjectName(QStringLiteral("black"));
  white->setObjectName(QStringLiteral("white"));
  const auto refresh = [=, &model] {
    black->setText(toQString(model.blackText()));
    white->setText(toQString(model.whiteText()));
    histogram->update();
  };
  auto* blackBar = modelScrollBar(
      this, 0, 255, 10, [&model](Scroll a, int p) { model.scrollBlack(a, p); },
      [&model] { return model.black(); }, refresh);
  auto* whiteBar = modelScrollBar(
      this, 1, 300, 10, [&model](Scroll a, int p) { model.scrollWhite(a, p); },
      [&model] { return model.white(); }, refresh);
  const auto sync = [=, &model] {
    blackBar->setValue(model.black());
    whiteBar->setValue(model.white());
    refresh();
  };
  commitOnFinish(
      black, [&model](const std::string& text) { model.typeBlack(text); }, sync);
  commitOnFinish(
      white, [&model](const std::string& text) { model.typeWhite(text); }, sync);
  grid->addWidget(new QLabel(tr("Black"), this), 0, 0);
  grid->addWidget(black, 0, 1);
  grid->addWidget(blackBar, 0, 2);
  grid->addWidget(new QLabel(tr("White"), this), 1, 0);
  grid->addWidget(white, 1, 1);
  grid->addWidget(whiteBar, 1, 2);
  layout->addLayout(grid);
  layout->addWidget(okCancelHelp(this, [&model, &ui] { model.help(ui); }));
}

PowerLawView::PowerLawView(process::PowerLawDialog& model, QtUi& ui, QWidget* parent)
    : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* power = field(this, model.powerText());
  auto* row = new QHBoxLayout;
  row->addWidget(modelScrollBar(
      this, 1, 30, 1, [&model](Scroll a, int p) { model.scroll(a, p); },
      [&model] { return model.scrollPosition(); },
      [=, &model] { power->setText(toQString(model.powerText())); }));
  row->addWidget(power);
  layout->addLayout(row);
  layout->addWidget(okCancelHelp(this, [&model, &ui] { model.help(ui); }));
}

NonLinearView::NonLinearView(process::NonLinearDialog& model, QtUi& ui, QWidget* parent)
    : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Non-Linear Power"), this));
  auto* power = field(this, model.fieldText(), false);
  connect(power, &QLineEdit::textEdited, this,
          [&model](const QString& typed) { model.type(typed.toStdString()); });
  row->addWidget(power);
  auto* up = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  auto* down = new QToolButton(this);
  down->setArrowType(Qt::DownArrow);
  connect(up, &QToolButton::clicked, this, [=, &model] {
    model.arrowUp();
    power->setText(toQString(model.fieldText()));
  });
  connect(down, &QToolButton::clicked, this, [=, &model] {
    model.arrowDown();
    power->setText(toQString(model.fieldText()));
  });
  row->addWidget(up);
  row->addWidget(down);
  layout->addLayout(row);
  auto* note = new QLabel(toQString(process::NonLinearDialog::kText), this);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* buttons = okCancelHelp(this, [&model, &ui] { model.help(ui); });
  disconnect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::accepted, this, [=, this, &model] {
    if (model.ok()) {
      accept();
    } else {
      power->setText(toQString(model.fieldText()));
    }
  });
  layout->addWidget(buttons);
}

AutoProcessingView::AutoProcessingView(process::AutoProcessingDialog& model, QtUi& ui,
                                       QWidget* parent)
    : QDialog(parent) {
  using D = process::AutoProcessingDialog;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(tr("For Planetary images try weak stretch, for nebulae try strong."), this));
  const std::pair<int, const char*> radios[] = {{D::kNoStretch, "No Auto Stretch"},
                                                {D::kWeakStretch, "Apply Weak Stretch"},
                                                {D::kStrongStretch, "Apply Strong Stretch"},
                                                {D::kUserStretch, "Auto Stretch - User"}};
  std::vector<QLineEdit*> edits;
  const auto edit = [&](int id) {
    auto* e = field(this, model.text(id), false);
    connect(e, &QLineEdit::textEdited, this,
            [&model, id](const QString& typed) { model.type(id, typed.toStdString()); });
    edits.push_back(e);
    return e;
  };
  for (auto [id, label] : radios) {
    auto* row = new QHBoxLayout;
    auto* radio = new QRadioButton(tr(label), this);
    radio->setChecked(model.checkedRadio() == id);
    connect(radio, &QRadioButton::clicked, this, [&model, id = id] { model.selectRadio(id); });
    row->addWidget(radio);
    if (id == D::kUserStretch) row->addWidget(edit(D::kUserPowerEdit));
    layout->addLayout(row);
  }
  layout->addWidget(new QLabel(tr("For Astro images remove the background"), this));
  layout->addWidget(
      new QLabel(tr("To crispen images use high pass filter, or an unsharp mask filter."), this));
  const std::pair<int, const char*> boxes[] = {{D::kRemoveBackground, "Remove Background"},
                                               {D::kHighPassLowPower, "High Pass Low Power"},
                                               {D::kUnsharpMask, "Unsharp Mask"}};
  for (auto [id, label] : boxes) {
    auto* row = new QHBoxLayout;
    auto* box = new QCheckBox(tr(label), this);
    box->setChecked(model.isChecked(id));
    connect(box, &QCheckBox::clicked, this, [&model, id = id] { model.toggle(id); });
    row->addWidget(box);
    if (id == D::kUnsharpMask) {
      row->addWidget(new QLabel(tr("dia."), this));
      row->addWidget(edit(D::kDiameterEdit));
      row->addWidget(new QLabel(tr("power"), this));
      row->addWidget(edit(D::kPowerEdit));
    }
    layout->addLayout(row);
  }
  auto* buttons = new QDialogButtonBox(this);
  auto* save = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  buttons->addButton(QDialogButtonBox::Help);
  connect(save, &QPushButton::clicked, this, [=, this, &model, &ui] {
    const bool closes = model.save(ui);
    const int ids[] = {D::kUserPowerEdit, D::kDiameterEdit, D::kPowerEdit};
    for (int i = 0; i < 3; ++i)
      edits[static_cast<std::size_t>(i)]->setText(toQString(model.text(ids[i])));
    if (closes) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [&model, &ui] { model.help(ui); });
  layout->addWidget(buttons);
}

StretchDisplayView::StretchDisplayView(process::StretchDisplayDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  auto* power = field(this, model.powerText());
  auto* row = new QHBoxLayout;
  row->addWidget(modelScrollBar(
      this, 2, 50, 5, [&model](Scroll a, int p) { model.scroll(a, p); },
      [&model] { return model.power(); },
      [this, power, &model] {
        power->setText(toQString(model.powerText()));
        update();
      }));
  row->addWidget(power);
  layout->addLayout(row);
  auto* activate = new QCheckBox(tr("Activate"), this);
  activate->setChecked(model.activeChecked());
  connect(activate, &QCheckBox::clicked, this, [activate, &model] {
    model.clickActivate();
    activate->setChecked(model.activeChecked());
  });
  layout->addWidget(activate);
  layout->addWidget(new QLabel(tr("** nb - only for mono display"), this));
  auto* close = new QPushButton(tr("Close"), this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(close);
}

void StretchDisplayView::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  model_.repainted();
}

UnsharpMaskView::UnsharpMaskView(process::UnsharpMaskDialog& model, QtUi& ui, QWidget* parent)
    : QDialog(parent) {
  auto* form = new QFormLayout;
  auto* radius = field(this, std::to_string(model.radius()));
  auto* power = field(this, std::to_string(model.power()));
  const auto refresh = [=, &model] {
    radius->setText(QString::number(model.radius()));
    power->setText(QString::number(model.power()));
  };
  auto* radiusRow = new QHBoxLayout;
  radiusRow->addWidget(modelScrollBar(
      this, 1, 7, 1, [&model](Scroll a, int) { model.scrollRadius(a); },
      [&model] { return model.radius(); }, refresh));
  radiusRow->addWidget(radius);
  auto* powerRow = new QHBoxLayout;
  powerRow->addWidget(modelScrollBar(
      this, 1, 7, 1, [&model](Scroll a, int) { model.scrollPower(a); },
      [&model] { return model.power(); }, refresh));
  powerRow->addWidget(power);
  form->addRow(tr("Radius"), radiusRow);
  form->addRow(tr("Power"), powerRow);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(okCancelHelp(this, [&model, &ui] { model.help(ui); }));
}

MedianFilterView::MedianFilterView(process::MedianFilterDialog& model, QtUi& ui, QWidget* parent)
    : QDialog(parent) {
  auto* form = new QFormLayout;
  const auto arrows = [&](QLineEdit* shown, std::function<void(bool)> step,
                          std::function<std::string()> value) {
    auto* row = new QHBoxLayout;
    row->addWidget(shown);
    for (bool up : {true, false}) {
      auto* button = new QToolButton(this);
      button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
      connect(button, &QToolButton::clicked, this, [=] {
        step(up);
        shown->setText(toQString(value()));
      });
      row->addWidget(button);
    }
    return row;
  };
  form->addRow(tr("Radius"),
               arrows(
                   field(this, model.radiusText()), [&model](bool up) { model.arrowRadius(up); },
                   [&model] { return model.radiusText(); }));
  form->addRow(tr("Power"),
               arrows(
                   field(this, model.powerText()), [&model](bool up) { model.arrowPower(up); },
                   [&model] { return model.powerText(); }));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(okCancelHelp(this, [&model, &ui] { model.help(ui); }));
}

HotPixelMapView::HotPixelMapView(process::HotPixelMapDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(tr("Adjust the scroller until you have picked up all the hot pixels"), this));
  auto* form = new QFormLayout;
  auto* value = field(this, model.thresholdText());
  auto* found = field(this, model.foundText());
  auto* directory = field(this, model.directoryText());
  directory->setMaximumWidth(QWIDGETSIZE_MAX);
  auto* name = field(this, model.nameField(), false);
  name->setMaxLength(80);
  auto* path = field(this, model.pathText());
  path->setMaximumWidth(QWIDGETSIZE_MAX);
  const auto refresh = [=, &model] {
    value->setText(toQString(model.thresholdText()));
    found->setText(toQString(model.foundText()));
    name->setText(toQString(model.nameField()));
    path->setText(toQString(model.pathText()));
  };
  form->addRow(tr("Hot Pixel Value"),
               modelScrollBar(
                   this, 5000, 65535, 100, [&model](Scroll a, int p) { model.scroll(a, p); },
                   [&model] { return model.threshold(); }, refresh));
  form->addRow(QString(), value);
  form->addRow(tr("Hot Pixels Found"), found);
  form->addRow(tr("Current Directory"), directory);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(name);
  auto* change = new QPushButton(tr("Change"), this);
  connect(change, &QPushButton::clicked, this, [=, &model] {
    model.typeName(name->text().toStdString());
    model.change();
    refresh();
  });
  nameRow->addWidget(change);
  form->addRow(tr("New Hot Pixel Map File Name"), nameRow);
  form->addRow(QString(), path);
  layout->addLayout(form);
  layout->addWidget(new QLabel(
      tr("NB:\nEnsure you have loaded a valid Darkframe before creating a Hot Pixel Map."), this));
  auto* buttons = new QDialogButtonBox(this);
  auto* save = buttons->addButton(tr("Save Pixel Map"), QDialogButtonBox::AcceptRole);
  auto* finished = buttons->addButton(tr("Finished"), QDialogButtonBox::RejectRole);
  connect(save, &QPushButton::clicked, this, &QDialog::accept);
  connect(finished, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);
}

LabelView::LabelView(LabelDialog& model, QtUi&, QWidget* parent) : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Enter the Label text"), this));
  auto* edit = new QLineEdit(toQString(model.editText()), this);
  connect(edit, &QLineEdit::textEdited, this,
          [&model](const QString& typed) { model.setEditText(typed.toStdString()); });
  layout->addWidget(edit);
  auto* autoDate = new QCheckBox(tr("Auto Date"), this);
  autoDate->setChecked(model.autoDate());
  connect(autoDate, &QCheckBox::clicked, this, [&model] { model.clickAutoDate(); });
  layout->addWidget(autoDate);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this, &model] {
    model.ok();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace nvk::app::qt
