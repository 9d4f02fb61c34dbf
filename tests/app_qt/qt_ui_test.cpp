#include "app/qt/qt_ui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/qt/sub_frame_dialog_view.h"
#include "qt_test_support.h"
#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

struct QtUiTest : ::testing::Test {
  QWidget target;
  QtUi ui;

  void SetUp() override { target.show(); }
};

TEST_F(QtUiTest, EscDuringPumpIsTheUsersAbort) {
  EXPECT_FALSE(ui.pump());
  QCoreApplication::postEvent(&target,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  EXPECT_TRUE(ui.pump());
  EXPECT_FALSE(ui.pump());
}

// Other keys and clicks during a long operation go nowhere and abort nothing.
TEST_F(QtUiTest, OtherKeysAndClicksDuringPumpAreNoAbort) {
  struct Counter : QWidget {
    int events = 0;
    void keyPressEvent(QKeyEvent*) override { ++events; }
    void mousePressEvent(QMouseEvent*) override { ++events; }
  } counter;
  counter.show();
  for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Space, Qt::Key_A}) {
    QCoreApplication::postEvent(&counter, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    EXPECT_FALSE(ui.pump()) << key;
  }
  QCoreApplication::postEvent(
      &counter, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  EXPECT_FALSE(ui.pump());
  EXPECT_EQ(counter.events, 0);
}

TEST_F(QtUiTest, OnlyAStoppableProgressWindowOffersAbort) {
  for (const auto stoppable : {port::Stoppable::No, port::Stoppable::Yes}) {
    ui.openProgress("EXPOSURE UNDERWAY", stoppable);
    auto* abort = ui.progressWindow()->findChild<QPushButton*>("abort");
    ASSERT_NE(abort, nullptr);
    const bool offered = stoppable == port::Stoppable::Yes;
    EXPECT_EQ(abort->isVisible(), offered);
    EXPECT_EQ(ui.progressWindow()->findChild<QLabel*>("stopHint")->isVisible(), offered);
    if (offered) {
      bool aborted = false;
      for (int i = 0; i < 3 && !aborted; ++i) {
        QTimer::singleShot(0, [abort] { QTest::mouseClick(abort, Qt::LeftButton); });
        aborted = ui.pump();
      }
      EXPECT_TRUE(aborted);
    }
    ui.closeProgress();
  }
}

TEST_F(QtUiTest, InputOutsidePumpReachesItsWidget) {
  struct KeyCounter : QWidget {
    int keys = 0;
    void keyPressEvent(QKeyEvent*) override { ++keys; }
  } counter;
  counter.show();
  QTest::keyClick(&counter, Qt::Key_A);
  EXPECT_EQ(counter.keys, 1);
  EXPECT_FALSE(ui.pump());
}

TEST_F(QtUiTest, ProgressWindowShowsCaptionAndPosition) {
  EXPECT_EQ(ui.progressWindow(), nullptr);
  ui.openProgress("FILTER PROGRESS");
  ASSERT_NE(ui.progressWindow(), nullptr);
  EXPECT_EQ(ui.progressCaption(), "FILTER PROGRESS");
  ui.setProgress(128);
  EXPECT_EQ(ui.progressPosition(), 128);
  ui.setProgress(400);  // the bar ends at 256
  EXPECT_EQ(ui.progressPosition(), 256);
  ui.setProgressCaption("EXPOSURE UNDERWAY");
  EXPECT_EQ(ui.progressCaption(), "EXPOSURE UNDERWAY");
  ui.closeProgress();
  EXPECT_EQ(ui.progressWindow(), nullptr);
}

// Operations report their position after every band of rows; the bar is repainted at most every
// few milliseconds, and the last position held back still reaches it once events are dispatched.
TEST_F(QtUiTest, ProgressBarCatchesUpWithAPositionHeldBack) {
  ui.openProgress("FILTER PROGRESS");
  const auto* bar = ui.progressWindow()->findChild<QScrollBar*>();
  ASSERT_NE(bar, nullptr);
  ui.setProgress(10);
  ui.setProgress(20);
  ui.setProgress(30);
  EXPECT_EQ(ui.progressPosition(), 30);
  EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->value() == 30; }, 5000));
  ui.closeProgress();
}

TEST_F(QtUiTest, MessagesAreModalBoxesWithTheirTitle) {
  test::MessageBoxAnswerer answerer;
  ui.showMessage("NVK_K7LQ_USB", "Sorry, outside Image area - try again");
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(answerer.seen[0].text, "Sorry, outside Image area - try again");
}

TEST_F(QtUiTest, BusyCursorNests) {
  ui.setBusyCursor(true);
  ui.setBusyCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  ui.setBusyCursor(false);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  ui.setBusyCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtUiTest, RedrawGoesToTheWindow) {
  int redraws = 0;
  ui.setRedrawHandler([&] { ++redraws; });
  ui.requestRedraw();
  EXPECT_EQ(redraws, 1);
}

// Plays the user's part in the next file dialog: `act` sees the dialog, then it is accepted.
void answerFileDialog(std::function<void(QFileDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
    static_cast<QDialog*>(dialog)->accept();
  });
}

TEST_F(QtUiTest, FileDialogsShowTheProgramsFiltersAndRememberTheLastChoice) {
  nvk::test::TempDir folder;
  std::ofstream(folder / "m31.fit") << "x";
  const std::string filter = "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|";
  QStringList shownFilters;
  answerFileDialog([&](QFileDialog& d) {
    shownFilters = d.nameFilters();
    d.selectNameFilter(shownFilters[1]);
    d.selectFile(QString::fromStdString((folder / "m31.fit").string()));
  });
  const auto chosen = ui.openFileDialog({"Open", filter, folder.path().string(), "", ""});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "m31.fit");
  EXPECT_EQ(shownFilters, (QStringList{"Norvane (~*.) (~*)", "FITS files (*.FIT *.FITS *.FTS)",
                                       "All Files (*)"}));

  // The next dialog with the same filters opens on the FITS entry in the same folder.
  QString selectedFilter;
  QString directory;
  answerFileDialog([&](QFileDialog& d) {
    selectedFilter = d.selectedNameFilter();
    directory = d.directory().absolutePath();
    d.selectFile(QString::fromStdString((folder / "m31.fit").string()));
  });
  ASSERT_TRUE(ui.openFileDialog({"Open", filter, "", "", ""}).has_value());
  // (With the patterns hidden, the dialog names the entry by its description.)
  EXPECT_TRUE(selectedFilter.startsWith("FITS files")) << selectedFilter.toStdString();
  EXPECT_EQ(std::filesystem::path(directory.toStdString()), folder.path());
}

// The names the dialog's file list shows, sorted, once the folder has been read.
QStringList listedFiles(QFileDialog& dialog, int expectedCount) {
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  if (view == nullptr) return {"(no list)"};
  QStringList names;
  (void)QTest::qWaitFor(
      [&] {
        names.clear();
        const QAbstractItemModel* model = view->model();
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
          const QModelIndex index = model->index(row, 0, view->rootIndex());
          if (model->flags(index) & Qt::ItemIsEnabled) names << index.data().toString();
        }
        return names.size() == expectedCount;
      },
      5000);
  names.sort();
  return names;
}

void clickListedFile(QFileDialog& dialog, const QString& name) {
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  ASSERT_NE(view, nullptr);
  const QAbstractItemModel* model = view->model();
  for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
    const QModelIndex index = model->index(row, 0, view->rootIndex());
    if (index.data().toString() == name) {
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
      return;
    }
  }
  ADD_FAILURE() << "not listed: " << name.toStdString();
}

TEST_F(QtUiTest, EachFilterListsItsFilesInAnyCase) {
  nvk::test::TempDir folder;
  for (const char* name : {"a.FIT", "b.fits", "c.Fts", "RAW001", "notes.txt"})
    std::ofstream(folder / name) << "x";
  struct Row {
    std::string filter;
    QStringList listed;
  };
  const std::vector<Row> rows = {
      {"Norvane (~*.)", {"RAW001"}},
      {"FITS files", {"a.FIT", "b.fits", "c.Fts"}},
      {"All Files", {"RAW001", "a.FIT", "b.fits", "c.Fts", "notes.txt"}},
  };
  std::vector<QStringList> seen;
  answerFileDialog([&](QFileDialog& d) {
    ASSERT_EQ(d.nameFilters().size(), static_cast<qsizetype>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      d.selectNameFilter(d.nameFilters()[static_cast<qsizetype>(i)]);
      seen.push_back(listedFiles(d, static_cast<int>(rows[i].listed.size())));
    }
    // The user clicks a listed file, which the dialog then returns.
    clickListedFile(d, "b.fits");
  });
  const auto chosen =
      ui.openFileDialog({"Open", "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|",
                         folder.path().string(), "", ""});
  ASSERT_EQ(seen.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(seen[i], rows[i].listed) << rows[i].filter;
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "b.fits");
}

TEST_F(QtUiTest, EverySaveDialogOffersAllFilesAndKeepsTheTypedExtension) {
  QStringList filters;
  QString typed;
  answerFileDialog([&](QFileDialog& d) {
    filters = d.nameFilters();
    auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText("m31.tif");
    // The user picks the TIFF entry after typing: the name keeps a real extension.
    auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(0);
    emit types->activated(0);
    typed = name->text();
  });
  nvk::test::TempDir folder;
  ui.saveFileDialog({"Save", "Tiff file (*.TIF)|*.TIF|", folder.path().string(), "", "TIF"});
  EXPECT_EQ(filters, (QStringList{"Tiff file (*.TIF) (*.TIF *.TIFF)", "All files (*)"}));
  EXPECT_EQ(typed, "m31.TIF");
}

TEST_F(QtUiTest, CancelledFileDialogGivesNothing) {
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
  });
  EXPECT_FALSE(ui.saveFileDialog({"Save", "FITS file (*.FIT)|*.FIT|", "", "", "FIT"}).has_value());
}

TEST(SubFrameDialogViewTest, RadioButtonsAreBoundToTheModel) {
  QtUi ui;
  image::ImageState state;
  state.subFrameFraction = 3;
  image::SubFrameDialog model(state);
  SubFrameDialogView view(model, ui, nullptr);
  auto* third = view.findChild<QRadioButton*>("choice211");
  auto* quarter = view.findChild<QRadioButton*>("choice212");
  ASSERT_NE(third, nullptr);
  ASSERT_NE(quarter, nullptr);
  EXPECT_TRUE(third->isChecked());
  EXPECT_EQ(quarter->text(), "1/4 Frame (758x504)");
  quarter->click();
  EXPECT_EQ(state.subFrameFraction, 4);
  EXPECT_EQ(state.subFrameWidth, 760);
  EXPECT_EQ(state.subFrameHeight, 506);
}

TEST(DialogRunTest, UnknownDialogClosesAsCancelled) {
  struct Unknown : port::DialogModel {
    std::string_view dialogId() const override { return "TNoSuchDialog"; }
    std::string title() const override { return "None"; }
  } model;
  QtUi ui;
  EXPECT_EQ(ui.runDialog(model), port::DialogResult::Cancel);
}

}  // namespace
}  // namespace nvk::app::qt
