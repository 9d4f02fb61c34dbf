#include "app/qt/file_dialog_views.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "app/qt/qt_ui.h"

namespace nvk::app::qt {
namespace {

template <typename W>
W* find(QWidget& view, const QString& name) {
  W* w = view.findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name.toStdString();
  return w;
}

TEST(FitsDetailsDialogView, EditsReachTheModelAndContinueCopiesThem) {
  image::FitsHeaderInfo info;
  info.object = "M1";
  info.utOffsetHours = 3;
  bool eightBit = false;
  files::FitsDetailsDialog model(info, eightBit);
  QtUi ui;
  FitsDetailsDialogView view(model, ui, nullptr);
  auto* object = find<QLineEdit>(view, "edit101");
  EXPECT_EQ(object->text(), "M1");
  EXPECT_EQ(object->maxLength(), 67);
  object->selectAll();
  QTest::keyClicks(object, "M57");
  find<QPlainTextEdit>(view, "edit107")->setPlainText(QString(300, 'h'));
  auto* scroll = find<QScrollBar>(view, "scroll111");
  scroll->setValue(-20);  // clamped by the bar's range to -11
  EXPECT_EQ(find<QLineEdit>(view, "edit112")->text(), "-11");
  find<QCheckBox>(view, "check108")->click();
  EXPECT_TRUE(eightBit);
  EXPECT_EQ(info.object, "M1");
  find<QPushButton>(view, "continue")->click();
  EXPECT_EQ(view.result(), QDialog::Accepted);
  EXPECT_EQ(info.object, "M57");
  EXPECT_EQ(info.historyText, std::string(254, 'h'));
  EXPECT_EQ(info.utOffsetHours, -11);
}

TEST(FitsDetailsDialogView, AbortKeepsTheRecord) {
  image::FitsHeaderInfo info;
  bool eightBit = false;
  files::FitsDetailsDialog model(info, eightBit);
  QtUi ui;
  FitsDetailsDialogView view(model, ui, nullptr);
  QTest::keyClicks(find<QLineEdit>(view, "edit101"), "typed");
  find<QPushButton>(view, "abort")->click();
  EXPECT_EQ(view.result(), static_cast<int>(port::DialogResult::Abort));
  EXPECT_EQ(info.object, "");
}

TEST(DeleteFileDialogView, ShowsThePathReadOnly) {
  files::DeleteFileDialog model("/data/IMG3.FIT");
  QtUi ui;
  DeleteFileDialogView view(model, ui, nullptr);
  auto* path = find<QLineEdit>(view, "path");
  EXPECT_EQ(path->text(), "/data/IMG3.FIT");
  EXPECT_TRUE(path->isReadOnly());
}

}  // namespace
}  // namespace nvk::app::qt
