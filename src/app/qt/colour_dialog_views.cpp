#include "app/qt/colour_dialog_views.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <functional>

#include "app/qt/qt_ui.h"

namespace nvk::app::qt {
namespace {

using colour::TColourDialog;

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* button(const char* label, QWidget* parent) {
  auto* b = new QPushButton(QString::fromUtf8(label), parent);
  b->setObjectName(QString::fromUtf8(label));
  b->setAutoDefault(false);
  return b;
}

// The row "ACTION  Cancel  Help" at the foot of `dialog`; Cancel closes it unchanged.
void addActionRow(QDialog* dialog, QVBoxLayout* layout, const char* action,
                  const std::function<void()>& onAction, const std::function<void()>& onHelp) {
  auto* row = new QHBoxLayout();
  auto* act = button(action, dialog);
  auto* cancel = button("Cancel", dialog);
  auto* help = button("Help", dialog);
  row->addWidget(act);
  row->addWidget(cancel);
  row->addWidget(help);
  layout->addLayout(row);
  QObject::connect(act, &QPushButton::clicked, dialog, [onAction] { onAction(); });
  QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog] { dialog->reject(); });
  QObject::connect(help, &QPushButton::clicked, dialog, [onHelp] { onHelp(); });
}

}  // namespace

ColourDialogView::ColourDialogView(TColourDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  layout->addLayout(grid);
  const auto& explanations = TColourDialog::explanations();
  int row = 0;

  // The first five check boxes, each with its explanation on the left.
  const auto addCheckBox = [this, grid](const TColourDialog::Control& control, int at) {
    auto* box = new QCheckBox(q(control.label), this);
    box->setObjectName(QStringLiteral("check%1").arg(control.id));
    box->setChecked(model_.isChecked(control.id));
    const int id = control.id;
    connect(box, &QCheckBox::clicked, this, [this, box, id] {
      model_.toggle(id);
      box->setChecked(model_.isChecked(id));
    });
    grid->addWidget(box, at, 1);
  };
  const auto& boxes = TColourDialog::checkBoxes();
  for (int i = 0; i < 5; ++i) {
    grid->addWidget(new QLabel(q(explanations[static_cast<std::size_t>(i)]), this), row, 0);
    addCheckBox(boxes[static_cast<std::size_t>(i)], row++);
  }

  // The stretch group with the user power edit.
  grid->addWidget(new QLabel(q(explanations[5]), this), row, 0);
  auto* stretchBox = new QGroupBox(this);
  auto* stretchLayout = new QGridLayout(stretchBox);
  auto* group = new QButtonGroup(stretchBox);
  int radioRow = 0;
  for (const auto& control : TColourDialog::stretchButtons()) {
    auto* radio = new QRadioButton(q(control.label), stretchBox);
    radio->setObjectName(QStringLiteral("radio%1").arg(control.id));
    radio->setChecked(model_.checkedStretch() == control.id);
    group->addButton(radio, control.id);
    stretchLayout->addWidget(radio, radioRow++, 0);
  }
  userPower_ = new QLineEdit(stretchBox);
  userPower_->setObjectName(QStringLiteral("edit%1").arg(TColourDialog::kUserPowerEdit));
  stretchLayout->addWidget(userPower_, radioRow - 1, 1);
  connect(group, &QButtonGroup::idClicked, this, [this](int id) { model_.selectStretch(id); });
  grid->addWidget(stretchBox, row++, 1);

  grid->addWidget(new QLabel(q(explanations[6]), this), row, 0);
  addCheckBox(boxes[5], row++);

  // High pass and unsharp mask with the mask's diameter and power.
  grid->addWidget(new QLabel(q(explanations[7]), this), row, 0);
  auto* sharpen = new QGridLayout();
  grid->addLayout(sharpen, row++, 1);
  for (int i = 6; i < 8; ++i) {
    const auto& control = boxes[static_cast<std::size_t>(i)];
    auto* box = new QCheckBox(q(control.label), this);
    box->setObjectName(QStringLiteral("check%1").arg(control.id));
    box->setChecked(model_.isChecked(control.id));
    const int id = control.id;
    connect(box, &QCheckBox::clicked, this, [this, box, id] {
      model_.toggle(id);
      box->setChecked(model_.isChecked(id));
    });
    sharpen->addWidget(box, i - 6, 0);
  }
  diameter_ = new QLineEdit(this);
  diameter_->setObjectName(QStringLiteral("edit%1").arg(TColourDialog::kDiameterEdit));
  power_ = new QLineEdit(this);
  power_->setObjectName(QStringLiteral("edit%1").arg(TColourDialog::kPowerEdit));
  sharpen->addWidget(new QLabel(tr("dia."), this), 1, 1);
  sharpen->addWidget(diameter_, 1, 2);
  sharpen->addWidget(new QLabel(tr("power"), this), 1, 3);
  sharpen->addWidget(power_, 1, 4);

  layout->addWidget(new QLabel(q(TColourDialog::kNote), this));
  addActionRow(
      this, layout, "Create Image",
      [this] {
        model_.userPowerText = userPower_->text().toStdString();
        model_.diameterText = diameter_->text().toStdString();
        model_.powerText = power_->text().toStdString();
        const bool closes = model_.createImage();
        showEdits();
        if (closes) accept();
      },
      [this] { model_.help(); });
  showEdits();
}

void ColourDialogView::showEdits() {
  userPower_->setText(q(model_.userPowerText));
  diameter_->setText(q(model_.diameterText));
  power_->setText(q(model_.powerText));
}

SingleFilterDialogView::SingleFilterDialogView(colour::SingleFilterDialog& model, QtUi&,
                                               QWidget* parent)
    : QDialog(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(q(colour::SingleFilterDialog::kPrompt), this));
  auto* grid = new QGridLayout();
  auto* group = new QButtonGroup(this);
  for (const colour::MatrixSite& site : colour::matrixSites()) {
    auto* radio = new QRadioButton(q(site.label), this);
    radio->setObjectName(QStringLiteral("site%1").arg(site.controlId));
    radio->setChecked(model_.checkedControl() == site.controlId);
    group->addButton(radio, site.controlId);
    // Choice 1 top left, 2 top right, 3 bottom left, 4 bottom right.
    grid->addWidget(radio, (site.choice - 1) / 2, (site.choice - 1) % 2);
  }
  connect(group, &QButtonGroup::idClicked, this, [this](int id) { model_.select(id); });
  layout->addLayout(grid);

  addActionRow(
      this, layout, "Build Image", [this] { accept(); }, [this] { model_.help(); });
}

}  // namespace nvk::app::qt
