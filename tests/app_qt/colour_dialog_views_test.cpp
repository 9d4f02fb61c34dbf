#include "app/qt/colour_dialog_views.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/qt/qt_ui.h"

namespace nvk::app::qt {
namespace {

using colour::TColourDialog;

struct ColourDialogViewTest : ::testing::Test {
  settings::Settings settings;
  colour::ColourState colour;
  QtUi ui;
  TColourDialog model{settings, colour, ui};

  template <typename W>
  W* find(QWidget& view, const QString& name) {
    W* w = view.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
};

TEST_F(ColourDialogViewTest, BindsEveryControlToTheModel) {
  ColourDialogView view(model, ui, nullptr);
  for (const auto& box : TColourDialog::checkBoxes()) {
    auto* check = find<QCheckBox>(view, QStringLiteral("check%1").arg(box.id));
    ASSERT_NE(check, nullptr);
    const bool was = model.isChecked(box.id);
    EXPECT_EQ(check->isChecked(), was);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(model.isChecked(box.id), !was) << box.id;
  }
  QTest::mouseClick(find<QRadioButton>(view, "radio2613"), Qt::LeftButton);
  EXPECT_TRUE(settings.autoStrongStretch);
  EXPECT_EQ(find<QLineEdit>(view, "edit2631")->text(), "4");
}

TEST_F(ColourDialogViewTest, CreateImageStaysOpenOnABadNumber) {
  ColourDialogView view(model, ui, nullptr);
  view.show();
  auto* userPower = find<QLineEdit>(view, "edit2631");
  userPower->setText("30");
  QTest::mouseClick(find<QPushButton>(view, "Create Image"), Qt::LeftButton);
  EXPECT_EQ(view.result(), QDialog::Rejected);
  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(userPower->text(), "4");
  userPower->setText("29");
  QTest::mouseClick(find<QPushButton>(view, "Create Image"), Qt::LeftButton);
  EXPECT_EQ(view.result(), QDialog::Accepted);
  EXPECT_EQ(settings.userStretchPower, 29);
}

TEST_F(ColourDialogViewTest, SingleFilterGridChoosesTheSite) {
  int choice = 1;
  colour::SingleFilterDialog singleModel(choice, ui);
  SingleFilterDialogView view(singleModel, ui, nullptr);
  EXPECT_TRUE(find<QRadioButton>(view, "site3101")->isChecked());
  find<QRadioButton>(view, "site3104")->click();
  EXPECT_EQ(choice, 4);
}

}  // namespace
}  // namespace nvk::app::qt
