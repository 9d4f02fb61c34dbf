#include "app/qt/sub_frame_dialog_view.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt/qt_ui.h"

namespace nvk::app::qt {

SubFrameDialogView::SubFrameDialogView(image::SubFrameDialog& model, QtUi& ui, QWidget* parent)
    : QDialog(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  auto* box = new QGroupBox(tr("Sub-Frame Size"), this);
  auto* boxLayout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(this);
  for (int id : {image::SubFrameDialog::kHalfFrame, image::SubFrameDialog::kThirdFrame,
                 image::SubFrameDialog::kQuarterFrame}) {
    const auto label = image::SubFrameDialog::choice(id).label;
    auto* radio = new QRadioButton(QString::fromUtf8(label.data(), label.size()), box);
    radio->setObjectName(QStringLiteral("choice%1").arg(id));
    radio->setChecked(model_.checkedControl() == id);
    group->addButton(radio, id);
    boxLayout->addWidget(radio);
  }
  connect(group, &QButtonGroup::idClicked, this, [this](int id) { model_.select(id); });
  layout->addWidget(box);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this, &ui] { model_.help(ui); });
  layout->addWidget(buttons);
}

}  // namespace nvk::app::qt
