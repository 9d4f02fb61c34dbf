#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

#include "app/qt/application.h"
#include "app/qt/image_view.h"
#include "app/qt/main_window.h"
#include "app/qt/measure_dialog_views.h"
#include "app/qt/measure_windows.h"
#include "app/qt/qt_ui.h"
#include "colour/colour_tools.h"
#include "files/raw_file.h"
#include "process/measure_merge.h"
#include "process/measure_test_support.h"
#include "qt_test_support.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

// Plays the user's part in each modal window that opens while it lives (file dialogs and the
// program's dialogs), once per window, in order.
class ModalAnswerer {
 public:
  using Answer = std::function<void(QWidget*)>;
  explicit ModalAnswerer(std::vector<Answer> answers) : answers_(std::move(answers)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || modal == last_ || next_ >= answers_.size()) return;
      last_ = modal;
      answers_[next_++](modal);
    });
    timer_.start();
  }
  std::size_t answered() const { return next_; }

 private:
  std::vector<Answer> answers_;
  std::size_t next_ = 0;
  QWidget* last_ = nullptr;
  QTimer timer_;
};

void clickOk(QWidget* dialog) {
  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

void setEdit(QWidget* dialog, const char* name, const QString& text) {
  auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
  ASSERT_NE(edit, nullptr) << name;
  edit->setText(text);
}

// ---- The dialog views bind to their models ----

TEST(MeasureDialogViewsTest, BalanceViewShowsTheModelAndOkFollowsItsRules) {
  QtUi ui;
  colour::ColourBalance balance;
  std::array<int, 6> starts{0, 0, 0, 4, -2, 0};
  colour::TBalanceDialog model(balance, starts, ui);
  BalanceDialogView view(model, ui, nullptr);
  EXPECT_EQ(view.findChild<QLineEdit*>("startRed")->text(), "0");
  EXPECT_EQ(view.findChild<QLineEdit*>("maximumBlue")->text(), "255");
  EXPECT_EQ(view.findChild<QLineEdit*>("saturation")->text(), "1");
  EXPECT_EQ(view.findChild<QLabel*>("applied")->text(), "Applied since synthesis: R 4  G -2  B 0");

  // A maximum above 255 is refused: the dialog stays open showing the stored values.
  setEdit(&view, "startRed", "-12");
  setEdit(&view, "maximumGreen", "300");
  clickOk(&view);
  EXPECT_EQ(view.result(), QDialog::Rejected);
  EXPECT_EQ(view.findChild<QLineEdit*>("startRed")->text(), "0");
  EXPECT_EQ(view.findChild<QLineEdit*>("maximumGreen")->text(), "255");

  setEdit(&view, "startRed", "-12");
  setEdit(&view, "minimumBlue", "8");
  setEdit(&view, "saturation", "2");
  clickOk(&view);
  EXPECT_EQ(view.result(), QDialog::Accepted);
  EXPECT_EQ(balance.start, (std::array<int, 3>{-12, 0, 0}));
  EXPECT_EQ(balance.minimum[2], 8);
  EXPECT_EQ(balance.saturation, 2.0);
  EXPECT_EQ(starts[0], -12);

  // Reset shows the defaults in the edits.
  view.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Reset)->click();
  EXPECT_EQ(view.findChild<QLineEdit*>("startRed")->text(), "0");
  EXPECT_EQ(view.findChild<QLineEdit*>("minimumBlue")->text(), "0");
}

TEST(MeasureDialogViewsTest, ChromatismPhotometryAndMergeViewsBind) {
  QtUi ui;
  colour::ChromatismShift shift;
  colour::TChromatismDialog chromatism(shift, ui);
  ChromatismDialogView chromatismView(chromatism, ui, nullptr);
  setEdit(&chromatismView, "blueX", "25");
  clickOk(&chromatismView);
  EXPECT_EQ(chromatismView.result(), QDialog::Rejected);
  EXPECT_EQ(chromatismView.findChild<QLineEdit*>("blueX")->text(), "0");
  setEdit(&chromatismView, "redX", "1.5");
  setEdit(&chromatismView, "blueY", "-0.7");
  clickOk(&chromatismView);
  EXPECT_EQ(chromatismView.result(), QDialog::Accepted);
  EXPECT_EQ(shift, (colour::ChromatismShift{1.5, 0, 0, -0.7}));

  process::PhotometryApertures apertures;
  process::PhotometryDialog photometry(apertures, ui);
  PhotometryDialogView photometryView(photometry, ui, nullptr);
  EXPECT_EQ(photometryView.findChild<QLineEdit*>("skyOuter")->text(), "16");
  setEdit(&photometryView, "aperture", "12");  // not inside the annulus: refused
  clickOk(&photometryView);
  EXPECT_EQ(photometryView.result(), QDialog::Rejected);
  EXPECT_EQ(photometryView.findChild<QLineEdit*>("aperture")->text(), "6");
  setEdit(&photometryView, "aperture", "5");
  setEdit(&photometryView, "skyOuter", "25");
  clickOk(&photometryView);
  EXPECT_EQ(photometryView.result(), QDialog::Accepted);
  EXPECT_EQ(apertures, (process::PhotometryApertures{5, 10, 25}));

  process::MergeDialog merge;
  MergeDialogView mergeView(merge, ui, nullptr);
  EXPECT_TRUE(mergeView.findChild<QRadioButton*>("add")->isChecked());
  QTest::mouseClick(mergeView.findChild<QRadioButton*>("average"), Qt::LeftButton);
  EXPECT_EQ(merge.mode, process::MergeMode::Average);
}

// ---- The tools in the real window ----

struct MeasureWindowTest : test::MainWindowTest {
  MeasureWindowTest() : MainWindowTest({}, false) {}
  const std::vector<nvk::test::SyntheticStar> stars{{300, 200, 1.8, 200000},
                                                    {620, 410, 2.2, 90000}};

  void SetUp() override {
    MainWindowTest::SetUp();
    program.state.binned = true;
    program.state.readoutMode = image::ReadoutMode::Binned2x2;
    program.state.modeCode = '2';
    program.applyGeometry();
    const auto frame = nvk::test::starFrame(1520, 1012, 800, stars, 8);
    std::copy(frame.begin(), frame.end(), program.planes.RawImage.begin());
    window.redraw(true);
  }
  QWidget* viewport() { return window.imageView()->viewport(); }
  std::vector<std::uint16_t> rawCopy() const {
    return {program.planes.RawImage.begin(),
            program.planes.RawImage.begin() + std::ptrdiff_t(program.geometry.pixelCount)};
  }
};

TEST_F(MeasureWindowTest, ToolBarButtonsOfTheToolsAreLive) {
  std::map<int, QAction*> buttons;
  for (QAction* a : window.toolBar()->actions())
    if (a->data().isValid()) buttons[a->data().toInt()] = a;
  for (const int id : {14, 8124, 8116, 8129, 111}) {
    ASSERT_TRUE(buttons.count(id)) << id;
    EXPECT_TRUE(buttons[id]->isEnabled()) << id;
  }
  for (const int id : {6, 15, 16, 8119, 8128, 8130})
    EXPECT_TRUE(window.commandAction(id)->isEnabled()) << id;
}

TEST_F(MeasureWindowTest, HistogramWindowDrawsAndListsTheDisplayValues) {
  // Display values: 100 on 3000 pixels, 7 on 50, everything else 0.
  std::fill_n(program.planes.RawImage.begin(), program.geometry.pixelCount, 0);
  for (int i = 0; i < 3000; ++i)
    program.planes.RawImage[std::size_t(i)] = 100 * 256 + 17;
  for (int i = 3000; i < 3050; ++i)
    program.planes.RawImage[std::size_t(i)] = 7 * 256;
  window.redraw(false);
  window.commandAction(6)->trigger();
  HistogramWindow* histogram = window.toolWindows().histogram();
  ASSERT_NE(histogram, nullptr);
  EXPECT_TRUE(histogram->isVisible());
  EXPECT_EQ(histogram->windowTitle(), "Histogram of Current Image");
  EXPECT_EQ(histogram->listing(),
            "val   count \n"
            "0000    1535190\n"
            "0100       3000\n");

  const QImage plot = histogram->plot()->grab().toImage();
  const int base = HistogramPlot::kBaseline;
  const auto at = [&](int value, int y) { return plot.pixel(HistogramPlot::kLeft + value, y); };
  EXPECT_EQ(at(100, base - 1), HistogramPlot::kCutColour);
  EXPECT_EQ(at(100, base - 210), HistogramPlot::kCutColour);
  EXPECT_EQ(at(100, base - 211), qRgb(255, 255, 255));
  EXPECT_EQ(at(7, base - 10), HistogramPlot::kLineColour);
  EXPECT_EQ(at(7, base - 11), qRgb(255, 255, 255));
  EXPECT_EQ(at(8, base - 1), qRgb(255, 255, 255));

  // The window follows the picture.
  for (int i = 0; i < 3050; ++i)
    program.planes.RawImage[std::size_t(i)] = 0;
  window.redraw(false);
  EXPECT_EQ(histogram->listing(), "val   count \n0000    1538240\n");
}

TEST_F(MeasureWindowTest, PhotometryPicksListEachStarUntilTheWindowCloses) {
  ModalAnswerer answerer({clickOk});
  ASSERT_TRUE(window.runCommand(14));
  EXPECT_EQ(answerer.answered(), 1u);
  EXPECT_EQ(window.pickMode(), PickMode::Photometry);
  PhotometryWindow* list = window.toolWindows().photometry();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->listLines(),
            QStringList{QString::fromStdString(process::photometryListHeading())});

  QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(301, 199));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(618, 411));
  ASSERT_EQ(program.measure.photometryLog.size(), 2u);
  EXPECT_NEAR(program.measure.photometryLog[0].flux, 200000, 2000);
  EXPECT_EQ(list->listLines(),
            (QStringList{QString::fromStdString(process::photometryListHeading()),
                         QString::fromStdString(
                             process::photometryListLine(1, program.measure.photometryLog[0])),
                         QString::fromStdString(
                             process::photometryListLine(2, program.measure.photometryLog[1]))}));
  EXPECT_EQ(list->details(),
            QString::fromStdString(process::formatPhotometry(program.measure.photometryLog[1]))
                .trimmed());

  list->close();
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(program.measure.active, process::MeasureTool::None);
}

// The photometry window waits for clicks on the picture, so it opens in the main window's top
// right corner and leaves the middle of the picture free for them.
TEST_F(MeasureWindowTest, PhotometryWindowOpensClearOfThePicturesMiddle) {
  window.resize(780, 560);  // inside the test screen
  ModalAnswerer answerer({clickOk});
  ASSERT_TRUE(window.runCommand(14));
  PhotometryWindow* list = window.toolWindows().photometry();
  ASSERT_NE(list, nullptr);
  const QPoint middle = viewport()->mapToGlobal(viewport()->rect().center());
  EXPECT_FALSE(list->frameGeometry().contains(middle))
      << "window " << list->frameGeometry().x() << "," << list->frameGeometry().y();
  EXPECT_LE(list->frameGeometry().right(), window.geometry().right());
  EXPECT_GE(list->frameGeometry().top(), window.geometry().top());
  list->close();
}

TEST_F(MeasureWindowTest, RowPlotOfThePickedRow) {
  ASSERT_TRUE(window.runCommand(16));
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(40, 200));
  EXPECT_EQ(window.pickMode(), PickMode::None);
  RowPlotWindow* plot = window.toolWindows().rowPlot();
  ASSERT_NE(plot, nullptr);
  const process::RowPlot expected = process::rowPlotOfImage(program, 200);
  EXPECT_EQ(plot->caption(), QString::fromStdString(process::rowPlotCaption(expected)));
  EXPECT_EQ(plot->view()->plot().series, expected.series);

  // The star's peak reaches the top of the plot area in its column.
  RowPlotView* view = plot->view();
  const QImage shot = view->grab().toImage();
  const int plotWidth = view->width() - RowPlotView::kLeft - RowPlotView::kRight;
  const int plotHeight = view->height() - RowPlotView::kTop - RowPlotView::kBottom;
  const auto [low, high] = view->valueRange();
  const auto columns = process::plotColumns(expected.series[0], plotWidth, plotHeight, low, high);
  const auto top = std::find_if(columns.begin(), columns.end(),
                                [](const process::PlotColumn& c) { return c.yTop == 0; });
  ASSERT_NE(top, columns.end());
  EXPECT_EQ(shot.pixel(RowPlotView::kLeft + int(top - columns.begin()), RowPlotView::kTop),
            qRgb(0, 0, 0));
}

TEST_F(MeasureWindowTest, IntensityPlotTurnsWithItsSliders) {
  ASSERT_TRUE(window.runCommand(15));
  IntensityPlot3dWindow* plot = window.toolWindows().plot3d();
  ASSERT_NE(plot, nullptr);
  const auto before = plot->view()->plot().segments;
  plot->azimuth()->setValue(135);
  plot->elevation()->setValue(60);
  plot->gridSize()->setValue(20);
  const process::Plot3d expected = process::intensityPlotOfImage(program, plot->options());
  const auto& got = plot->view()->plot().segments;
  ASSERT_EQ(got.size(), expected.segments.size());
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.front().x1, expected.segments.front().x1);
  EXPECT_EQ(got.back().y2, expected.segments.back().y2);
  EXPECT_NE(got.front().x1, before.front().x1);
  EXPECT_EQ(plot->view()->plot().gridSize, 20);
}

TEST_F(MeasureWindowTest, ShowValuesFollowsTheMouse) {
  program.state.colourConverted = true;
  program.planes.ColourImage.red()[200 * 1520 + 300] = 1111;
  window.redraw(false);
  ASSERT_TRUE(window.runCommand(8124));
  EXPECT_TRUE(window.commandAction(8124)->isChecked());
  ShowValuesWindow* values = window.toolWindows().showValues();
  ASSERT_NE(values, nullptr);
  QTest::mouseMove(viewport(), QPoint(300, 200));
  EXPECT_EQ(values->text(), QString::fromStdString(process::readPixel(program, {300, 200}).text()));
  EXPECT_TRUE(values->text().contains("R =  1111"));

  // Off through the menu closes the window; closing the window turns it off.
  window.runCommand(8124);
  EXPECT_EQ(window.toolWindows().showValues(), nullptr);
  window.runCommand(8124);
  window.toolWindows().showValues()->close();
  EXPECT_FALSE(program.measure.showValues);
  EXPECT_FALSE(window.commandAction(8124)->isChecked());
}

// The whole merge in the window: right-click the star, choose the second file, right-click the
// same star there, choose "Average".
TEST_F(MeasureWindowTest, MergeByRightButtonPicksAndTheOpenDialog) {
  const auto first = rawCopy();
  auto moved = stars;
  for (auto& s : moved)
    s.x += 4, s.y -= 6;
  const auto second = nvk::test::starFrame(1520, 1012, 800, moved, 8, 5);
  std::copy(second.begin(), second.end(), program.planes.RawImage.begin());
  const auto secondFile = root.path() / "second.raw";
  ASSERT_EQ(files::saveRawFile(program, secondFile), files::SaveResult::Saved);
  std::copy(first.begin(), first.end(), program.planes.RawImage.begin());

  ASSERT_TRUE(window.runCommand(111));
  EXPECT_EQ(window.pickMode(), PickMode::Merge);
  EXPECT_EQ(window.statusLabel()->text(), "Merging: right-click a star on the first image");
  {
    ModalAnswerer answerer({[&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      ASSERT_NE(dialog, nullptr);
      dialog->selectFile(QString::fromStdString(secondFile.string()));
      QMetaObject::invokeMethod(dialog, "accept");
    }});
    QTest::mouseClick(viewport(), Qt::RightButton, {}, QPoint(299, 201));
    EXPECT_EQ(answerer.answered(), 1u);
  }
  EXPECT_EQ(window.statusLabel()->text(), "Merging: right-click the same star on the second image");
  EXPECT_EQ(program.planes.RawImage[200 * 1520 + 304], second[200 * 1520 + 304]);
  {
    ModalAnswerer answerer({[](QWidget* w) {
      w->findChild<QRadioButton*>("average")->click();
      clickOk(w);
    }});
    QTest::mouseClick(viewport(), Qt::RightButton, {}, QPoint(305, 193));
    EXPECT_EQ(answerer.answered(), 1u);
  }
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(window.statusLabel()->text(), QString::fromLatin1(kStatusText));
  auto expected = first;
  process::mergeShifted(expected, second, 1520, 1012, {-4, 6}, process::MergeMode::Average);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), program.planes.RawImage.begin()));
}

// The colour tools from their menu entries and tool-bar buttons, and their undo (810).
TEST_F(MeasureWindowTest, ColourToolsRunFromTheMenuAndUndo) {
  program.state.colourConverted = true;
  const std::size_t n = program.geometry.pixelCount;
  for (int p = 0; p < 3; ++p)
    for (std::size_t i = 0; i < n; ++i)
      program.planes.ColourImage[p][i] = std::uint16_t(program.planes.RawImage[i] + p * 3000);
  window.redraw(false);
  const auto red = [&] {
    return std::vector<std::uint16_t>(program.planes.ColourImage.red().begin(),
                                      program.planes.ColourImage.red().begin() + std::ptrdiff_t(n));
  };
  const auto before = red();
  {
    ModalAnswerer answerer({[](QWidget* w) {
      setEdit(w, "startRed", "-40");
      clickOk(w);
    }});
    window.commandAction(8116)->trigger();
    EXPECT_EQ(answerer.answered(), 1u);
  }
  EXPECT_EQ(program.colourTools.balance.start[0], -40);
  EXPECT_NE(red(), before);
  EXPECT_EQ(program.history.slot(program.history.usedCount() - 1), "Colour Balance Applied");
  window.commandAction(810)->trigger();
  EXPECT_EQ(red(), before);

  for (QAction* a : window.toolBar()->actions())
    if (a->data().toInt() == 8129) a->trigger();
  EXPECT_EQ(program.history.slot(program.history.usedCount() - 1), "Low Pass Colour Filter");
  window.commandAction(8130)->trigger();
  EXPECT_EQ(program.history.slot(program.history.usedCount() - 1), "Colour Histogram Balanced");
}

// The progress window is a child of the main window: the window deleted it on exit and the Ui
// deleted it a second time, so the program crashed on closing after any long operation.
TEST(QtUiProgressWindowTest, ProgressWindowOfTheMainWindowIsDeletedOnce) {
  nvk::test::TempDir root;
  {
    ASSERT_TRUE(test::writeSettings(root.path(), {}));
    TNVK_K7LQApp app(StartOptions{root.path(), false});
    app.start();
    app.ui().openProgress("BUILDING COLOUR IMAGE");
    ASSERT_NE(app.ui().progressWindow(), nullptr);
    EXPECT_EQ(app.ui().progressWindow()->parentWidget(), &app.window());
    app.ui().closeProgress();
  }
  SUCCEED();  // the application was destroyed without a second delete
}

}  // namespace
}  // namespace nvk::app::qt
