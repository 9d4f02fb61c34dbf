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

}  // namespace

QLineEdit* TextEditsDialog::bindEdit(const QString& name, std::string& text) {
  auto* e = new QLineEdit(this);
  e->setObjectName(name);
  e->setMaximumWidth(80);
  bound_.emplace_back(e, &text);
  return e;
}

QDialogButtonBox* TextEditsDialog::addButtons(QLayout* layout, const std::function<bool()>& ok,
                                              QDialogButtonBox::StandardButtons more) {
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | more, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this, ok] {
    for (const auto& [edit, text] : bound_)
      *text = edit->text().toStdString();
    const bool closes = ok();
    showTexts();
    if (closes) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  layout->addWidget(buttons);
  showTexts();
  return buttons;
}

void TextEditsDialog::showTexts() {
  for (const auto& [edit, text] : bound_)
    edit->setText(q(*text));
}

PhotometryDialogView::PhotometryDialogView(process::PhotometryDialog& model, QtUi&, QWidget* parent)
    : TextEditsDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(q(process::PhotometryDialog::kExplanation), this));
  auto* grid = new QGridLayout();
  const struct {
    const char* label;
    const char* name;
    std::string& text;
  } fields[] = {{"Aperture R1", "aperture", model.apertureText},
                {"Sky annulus from R2", "skyInner", model.skyInnerText},
                {"to R3", "skyOuter", model.skyOuterText}};
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(new QLabel(QString::fromLatin1(fields[i].label), this), i, 0);
    grid->addWidget(bindEdit(QString::fromLatin1(fields[i].name), fields[i].text), i, 1);
  }
  layout->addLayout(grid);
  addButtons(layout, [&model] { return model.ok(); });
}

BalanceDialogView::BalanceDialogView(colour::TBalanceDialog& model, QtUi&, QWidget* parent)
    : TextEditsDialog(parent) {
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
    grid->addWidget(bindEdit("start" + channel, model.startText[c]), row, 1);
    grid->addWidget(bindEdit("minimum" + channel, model.minimumText[c]), row, 2);
    grid->addWidget(bindEdit("maximum" + channel, model.maximumText[c]), row, 3);
  }
  grid->addWidget(new QLabel(q(TBalanceDialog::kSaturationLabel), this), 4, 0);
  grid->addWidget(bindEdit(QStringLiteral("saturation"), model.saturationText), 4, 1);
  grid->addWidget(new QLabel(q(TBalanceDialog::kSaturationNote), this), 4, 2, 1, 2);
  layout->addLayout(grid);
  auto* applied = new QLabel(q(model.appliedText()), this);
  applied->setObjectName(QStringLiteral("applied"));
  layout->addWidget(applied);

  QDialogButtonBox* buttons = addButtons(
      layout, [&model] { return model.ok(); }, QDialogButtonBox::Reset | QDialogButtonBox::Help);
  connect(buttons->button(QDialogButtonBox::Reset), &QPushButton::clicked, this, [this, &model] {
    model.reset();
    showTexts();
  });
  connect(buttons, &QDialogButtonBox::helpRequested, this, [&model] { model.help(); });
}

ChromatismDialogView::ChromatismDialogView(colour::TChromatismDialog& model, QtUi&, QWidget* parent)
    : TextEditsDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* explanation = new QLabel(q(colour::TChromatismDialog::kExplanation), this);
  explanation->setWordWrap(true);
  layout->addWidget(explanation);
  auto* grid = new QGridLayout();
  grid->addWidget(new QLabel(tr("x (right)"), this), 0, 1);
  grid->addWidget(new QLabel(tr("y (down)"), this), 0, 2);
  grid->addWidget(new QLabel(tr("Red"), this), 1, 0);
  grid->addWidget(new QLabel(tr("Blue"), this), 2, 0);
  grid->addWidget(bindEdit(QStringLiteral("redX"), model.redXText), 1, 1);
  grid->addWidget(bindEdit(QStringLiteral("redY"), model.redYText), 1, 2);
  grid->addWidget(bindEdit(QStringLiteral("blueX"), model.blueXText), 2, 1);
  grid->addWidget(bindEdit(QStringLiteral("blueY"), model.blueYText), 2, 2);
  layout->addLayout(grid);
  addButtons(layout, [&model] { return model.ok(); });
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
