#include "app/qt/process_dialog_views.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "app/qt/qt_ui.h"

namespace nvk::app::qt {
namespace {

TEST(ProcessDialogViewsTest, ScrollBarsActThroughTheModelsRules) {
  QtUi ui;
  image::BackgroundEstimate histogram;
  process::NormalStretchDialog model(histogram);
  NormalStretchView view(model, ui, nullptr);
  const auto bars = view.findChildren<QScrollBar*>();
  ASSERT_EQ(bars.size(), 2);
  QScrollBar* white = bars[1];
  white->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(model.white(), 254);
  EXPECT_EQ(white->value(), 254);
  // Page right is refused above 290 by the model, whatever Qt would do.
  for (int i = 0; i < 10; ++i)
    white->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(model.white(), 294);
  EXPECT_EQ(white->value(), 294);
  bool shown = false;
  for (auto* edit : view.findChildren<QLineEdit*>())
    shown |= edit->text() == "294";
  EXPECT_TRUE(shown);
}

TEST(ProcessDialogViewsTest, NormalStretchTakesTypedValuesOnEnterOrLeavingTheField) {
  struct Case {
    const char* field;
    const char* typed;
    Qt::Key ending;
    int black;
    int white;
  };
  const Case cases[] = {
      {"white", "40", Qt::Key_Return, 0, 40},
      {"white", "40", Qt::Key_Tab, 0, 40},
      {"black", "12", Qt::Key_Return, 12, 255},
      {"white", "301", Qt::Key_Return, 0, 255},  // beyond the scroll bar: refused
      {"white", "x", Qt::Key_Return, 0, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.typed);
    QtUi ui;
    image::BackgroundEstimate histogram;
    process::NormalStretchDialog model(histogram);
    NormalStretchView view(model, ui, nullptr);
    view.show();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    auto* edit = view.findChild<QLineEdit*>(QString::fromUtf8(c.field));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, c.typed);
    QTest::keyClick(edit, c.ending);
    view.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(model.black(), c.black);
    EXPECT_EQ(model.white(), c.white);
    EXPECT_EQ(edit->text().toStdString(), std::to_string(c.field[0] == 'b' ? c.black : c.white));
  }
}

TEST(ProcessDialogViewsTest, NonLinearArrowsAndOkFollowTheModel) {
  QtUi ui;
  process::NonLinearDialog model;
  NonLinearView view(model, ui, nullptr);
  const auto arrows = view.findChildren<QToolButton*>();
  ASSERT_EQ(arrows.size(), 2);
  QTest::mouseClick(arrows[0], Qt::LeftButton);
  EXPECT_EQ(model.power(), 26);
  auto* edit = view.findChild<QLineEdit*>();
  EXPECT_EQ(edit->text(), "26");
  edit->clear();
  QTest::keyClicks(edit, "77");
  view.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(view.result(), QDialog::Rejected);  // 77 is refused: the dialog stays open
  EXPECT_EQ(edit->text(), "25");
}

TEST(ProcessDialogViewsTest, LabelViewPassesTextAndAutoDate) {
  QtUi ui;
  bool autoDate = false;
  LabelDialog model(autoDate);
  LabelView view(model, ui, nullptr);
  QTest::keyClicks(view.findChild<QLineEdit*>(), "M51 Whirlpool");
  QTest::mouseClick(view.findChild<QCheckBox*>(), Qt::LeftButton);
  EXPECT_TRUE(autoDate);
  view.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(model.labelText(), "M51 Whirlpool");
  EXPECT_EQ(view.result(), QDialog::Accepted);
}

TEST(ProcessDialogViewsTest, StretchDisplayAndFilterViewsBind) {
  QtUi ui;
  image::DisplayOptions display;
  std::vector<int> commands;
  process::StretchDisplayDialog stretch(display, true, [&](int id) { commands.push_back(id); });
  StretchDisplayView stretchView(stretch, ui, nullptr);
  stretchView.findChild<QScrollBar*>()->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(display.stretchPower, 2.0);
  QTest::mouseClick(stretchView.findChild<QCheckBox*>(), Qt::LeftButton);
  EXPECT_EQ(commands, std::vector<int>{1906});

  process::UnsharpMaskDialog unsharp;
  UnsharpMaskView unsharpView(unsharp, ui, nullptr);
  unsharpView.findChildren<QScrollBar*>()[0]->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(unsharp.radius(), 4);

  process::MedianFilterDialog median;
  MedianFilterView medianView(median, ui, nullptr);
  QTest::mouseClick(medianView.findChildren<QToolButton*>()[0], Qt::LeftButton);
  EXPECT_EQ(median.radius(), 2);
}

}  // namespace
}  // namespace nvk::app::qt
