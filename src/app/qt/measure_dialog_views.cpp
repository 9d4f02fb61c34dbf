#include "app/qt/measure_dialog_views.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace nvk::app::qt {
namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLineEdit* edit(QWidget* parent, const QString& name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaximumWidth(80);
  return e;
}

}  // namespace

PhotometryDialogView::PhotometryDialogView(process::PhotometryDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(q(process::PhotometryDialog::kExplanation), this));
  auto* grid = new QGridLayout();
  const char* labels[] = {"Aperture R1", "Sky annulus from R2", "to R3"};
  const char* names[] = {"aperture", "skyInner", "skyOuter"};
  for (std::size_t i = 0; i < 3; ++i) {
    grid->addWidget(new QLabel(QString::fromLatin1(labels[i]), this), int(i), 0);
    edits_[i] = edit(this, QString::fromLatin1(names[i]));
    grid->addWidget(edits_[i], int(i), 1);
  }
  layout->addLayout(grid);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    model_.apertureText = edits_[0]->text().toStdString();
    model_.skyInnerText = edits_[1]->text().toStdString();
    model_.skyOuterText = edits_[2]->text().toStdString();
    const bool closes = model_.ok();
    showModel();
    if (closes) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  layout->addWidget(buttons);
  showModel();
}

void PhotometryDialogView::showModel() {
  edits_[0]->setText(q(model_.apertureText));
  edits_[1]->setText(q(model_.skyInnerText));
  edits_[2]->setText(q(model_.skyOuterText));
}

BalanceDialogView::BalanceDialogView(colour::TBalanceDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  using colour::TBalanceDialog;
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  grid->addWidget(new QLabel(q(TBalanceDialog::kStartLabel), this), 0, 1);
  grid->addWidget(new QLabel(q(TBalanceDialog::kMinimumLabel), this), 0, 2);
  grid->addWidget(new QLabel(q(TBalanceDialog::kMaximumLabel), this), 0, 3);
  for (std::size_t c = 0; c < 3; ++c) {
    const int row = int(c) + 1;
    const QString channel = q(TBalanceDialog::kChannelLabels[c]);
    grid->addWidget(new QLabel(channel, this), row, 0);
    start_[c] = edit(this, "start" + channel);
    minimum_[c] = edit(this, "minimum" + channel);
    maximum_[c] = edit(this, "maximum" + channel);
    grid->addWidget(start_[c], row, 1);
    grid->addWidget(minimum_[c], row, 2);
    grid->addWidget(maximum_[c], row, 3);
  }
  grid->addWidget(new QLabel(q(TBalanceDialog::kSaturationLabel), this), 4, 0);
  saturation_ = edit(this, QStringLiteral("saturation"));
  grid->addWidget(saturation_, 4, 1);
  grid->addWidget(new QLabel(q(TBalanceDialog::kSaturationNote), this), 4, 2, 1, 2);
  layout->addLayout(grid);
  auto* applied = new QLabel(q(model_.appliedText()), this);
  applied->setObjectName(QStringLiteral("applied"));
  layout->addWidget(applied);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                           QDialogButtonBox::Reset | QDialogButtonBox::Help,
                                       this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    takeEdits();
    const bool closes = model_.ok();
    showModel();
    if (closes) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  connect(buttons->button(QDialogButtonBox::Reset), &QPushButton::clicked, this, [this] {
    model_.reset();
    showModel();
  });
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { model_.help(); });
  layout->addWidget(buttons);
  showModel();
}

void BalanceDialogView::takeEdits() {
  for (std::size_t c = 0; c < 3; ++c) {
    model_.startText[c] = start_[c]->text().toStdString();
    model_.minimumText[c] = minimum_[c]->text().toStdString();
    model_.maximumText[c] = maximum_[c]->text().toStdString();
  }
  model_.saturationText = saturation_->text().toStdString();
}

void BalanceDialogView::showModel() {
  for (std::size_t c = 0; c < 3; ++c) {
    start_[c]->setText(q(model_.startText[c]));
    minimum_[c]->setText(q(model_.minimumText[c]));
    maximum_[c]->setText(q(model_.maximumText[c]));
  }
  saturation_->setText(q(model_.saturationText));
}

ChromatismDialogView::ChromatismDialogView(colour::TChromatismDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  auto* explanation = new QLabel(q(colour::TChromatismDialog::kExplanation), this);
  explanation->setWordWrap(true);
  layout->addWidget(explanation);
  auto* grid = new QGridLayout();
  grid->addWidget(new QLabel(tr("x (right)"), this), 0, 1);
  grid->addWidget(new QLabel(tr("y (down)"), this), 0, 2);
  grid->addWidget(new QLabel(tr("Red"), this), 1, 0);
  grid->addWidget(new QLabel(tr("Blue"), this), 2, 0);
  const char* names[] = {"redX", "redY", "blueX", "blueY"};
  for (std::size_t i = 0; i < 4; ++i) {
    edits_[i] = edit(this, QString::fromLatin1(names[i]));
    grid->addWidget(edits_[i], 1 + int(i) / 2, 1 + int(i) % 2);
  }
  layout->addLayout(grid);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    model_.redXText = edits_[0]->text().toStdString();
    model_.redYText = edits_[1]->text().toStdString();
    model_.blueXText = edits_[2]->text().toStdString();
    model_.blueYText = edits_[3]->text().toStdString();
    const bool closes = model_.ok();
    showModel();
    if (closes) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  layout->addWidget(buttons);
  showModel();
}

void ChromatismDialogView::showModel() {
  edits_[0]->setText(q(model_.redXText));
  edits_[1]->setText(q(model_.redYText));
  edits_[2]->setText(q(model_.blueXText));
  edits_[3]->setText(q(model_.blueYText));
}

MergeDialogView::MergeDialogView(process::MergeDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(q(process::MergeDialog::kText), this));
  auto* add = new QRadioButton(tr("Add"), this);
  add->setObjectName(QStringLiteral("add"));
  auto* average = new QRadioButton(tr("Average"), this);
  average->setObjectName(QStringLiteral("average"));
  (model.mode == process::MergeMode::Add ? add : average)->setChecked(true);
  auto* group = new QButtonGroup(this);
  group->addButton(add, static_cast<int>(process::MergeMode::Add));
  group->addButton(average, static_cast<int>(process::MergeMode::Average));
  connect(group, &QButtonGroup::idClicked, this,
          [&model](int id) { model.mode = static_cast<process::MergeMode>(id); });
  layout->addWidget(add);
  layout->addWidget(average);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { accept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  layout->addWidget(buttons);
}

}  // namespace nvk::app::qt
