#include "app/qt/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <map>

#include "app/qt/application.h"
#include "app/qt/help_window.h"
#include "app/qt/image_view.h"
#include "app/qt/qt_ui.h"
#include "camera/recording_transport.h"
#include "qt_test_support.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

// The window without the simulator.
struct WindowTest : test::MainWindowTest {
  WindowTest() : MainWindowTest({}, false) {}

  // Every action reachable from the menu bar, by command id.
  std::map<int, QAction*> menuActions() const {
    std::map<int, QAction*> found;
    for (QAction* top : window.menuBar()->actions()) {
      for (QAction* a : top->menu()->actions()) {
        if (!a->isSeparator()) found[a->data().toInt()] = a;
      }
    }
    return found;
  }
};

TEST_F(WindowTest, StartsWithCaptionSizeAndStatusText) {
  EXPECT_EQ(window.windowTitle(), "NVK_K7LQ_USB - (Untitled)");
  EXPECT_EQ(window.size(), QSize(1024, 768));
  EXPECT_EQ(window.statusLabel()->text(), "NVK K7LQ Camera Control and Image processing program");
  EXPECT_FALSE(window.pictureExists());
  window.setDocumentTitle("M31.FIT");
  EXPECT_EQ(window.windowTitle(), "NVK_K7LQ_USB - M31.FIT");
}

TEST_F(WindowTest, EveryCommandIsInTheMenuWithItsTextAndAccelerator) {
  const auto actions = menuActions();
  std::vector<QString> menuTitles;
  for (QAction* top : window.menuBar()->actions())
    menuTitles.push_back(top->text());
  EXPECT_EQ(menuTitles,
            (std::vector<QString>{"&File", "&Edit", "&View", "&Camera", "&Telescope", "C&ontrast",
                                  "F&ilters", "Co&lour", "&Merging", "&Help"}));
  for (const CommandInfo& c : commandTable()) {
    if (c.menu == Menu::ToolBarOnly) continue;
    const auto it = actions.find(c.id);
    ASSERT_NE(it, actions.end()) << c.id;
    EXPECT_EQ(it->second->text().toStdString(), c.text) << c.id;
    EXPECT_EQ(it->second->shortcut(),
              QKeySequence(QString::fromUtf8(c.accelerator.data(), c.accelerator.size())))
        << c.id;
    EXPECT_EQ(it->second->isEnabled(), c.landed() && c.enabling == Enabling::Always) << c.id;
  }
  EXPECT_EQ(actions.at(120)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
  EXPECT_EQ(actions.at(17999)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
}

TEST_F(WindowTest, MenuEntriesAndAcceleratorsDispatchToTheirHandlers) {
  menuActions().at(cmd::kFitToWindow)->trigger();
  EXPECT_TRUE(program.displayOptions.fitToWindow);
  EXPECT_TRUE(window.commandAction(cmd::kFitToWindow)->isChecked());

  QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);  // Bin High Res Display
  EXPECT_TRUE(program.halfSizeDisplay);
  EXPECT_TRUE(window.commandAction(cmd::kHalfSizeDisplay)->isChecked());
  EXPECT_EQ(program.geometry.displayWidth, 1520);

  {
    // Merge two Images together: refused while the picture is fitted to the window.
    test::MessageBoxAnswerer answerer;
    QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text.substr(0, 44), "Sorry, Merging only available in standard Ge");
  }

  // A command whose capability has not landed does nothing, even through its accelerator.
  for (const CommandInfo& c : commandTable()) {
    if (c.landed() || c.accelerator.empty()) continue;
    QTest::keySequence(&window, QKeySequence(QString::fromUtf8(c.accelerator.data(),
                                                               qsizetype(c.accelerator.size()))));
    EXPECT_FALSE(window.runCommand(c.id)) << c.id;
    break;
  }
}

// Help opens the pages in the program, on the walk through the main job, and follows their
// links; no desktop browser is needed.
TEST_F(WindowTest, HelpShowsTheGettingStartedPageInTheProgram) {
  test::MessageBoxAnswerer answerer;
  menuActions().at(cmd::kHelp)->trigger();
  EXPECT_TRUE(answerer.seen.empty());
  auto* help = window.findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  QTextBrowser* browser = help->browser();
  EXPECT_TRUE(browser->source().path().endsWith("docs/getting-started.html"))
      << browser->source().toString().toStdString();
  // The main job comes first, in the order it is done at the telescope.
  const QString text = browser->toPlainText();
  qsizetype last = -1;
  for (const char* step : {"First start", "Connect the camera", "Focus", "Take a photo and save",
                           "Make a colour picture", "Guide a long exposure"}) {
    const qsizetype at = text.indexOf(QString::fromLatin1(step));
    EXPECT_GT(at, last) << step;
    last = at;
  }
  browser->setSource(QUrl("index.html"));
  EXPECT_TRUE(browser->toPlainText().contains("Getting started"));
  EXPECT_TRUE(browser->isBackwardAvailable());
  // A second Help shows the same window again.
  menuActions().at(cmd::kHelp)->trigger();
  EXPECT_EQ(window.findChildren<HelpWindow*>().size(), 1);
}

TEST_F(WindowTest, ToolBarFollowsTheCommandOrderAndPairs) {
  std::vector<int> ids;
  for (QAction* a : window.toolBar()->actions()) {
    if (!a->isSeparator() && a->data().isValid()) ids.push_back(a->data().toInt());
  }
  ASSERT_GE(ids.size(), 8u);
  EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 8),
            (std::vector<int>{24333, 24335, 24332, 12, 27, 305, 1901, 1902}));
  EXPECT_EQ(ids.back(), 111);

  // The maximum stretch pair: one button pressed at a time.
  EXPECT_TRUE(window.commandAction(cmd::kMaxStretchOff)->isChecked());
  window.commandAction(cmd::kMaxStretchOn)->trigger();
  EXPECT_TRUE(program.displayOptions.maxStretch);
  EXPECT_TRUE(window.commandAction(cmd::kMaxStretchOn)->isChecked());
  EXPECT_FALSE(window.commandAction(cmd::kMaxStretchOff)->isChecked());
  EXPECT_TRUE(window.commandAction(cmd::kMaxStretchToggle)->isChecked());
}

TEST_F(WindowTest, TelescopeButtonOnlyWithADriveMethod) {
  EXPECT_FALSE(window.telescopeButton()->isVisible());
  program.settings.guideOutputMode = settings::GuideOutputMode::Lx200;
  window.settingsChanged();
  EXPECT_TRUE(window.telescopeButton()->isVisible());
  program.settings.guideOutputMode = settings::GuideOutputMode::None;
  window.settingsChanged();
  EXPECT_FALSE(window.telescopeButton()->isVisible());
}

TEST_F(WindowTest, PictureScrollsOrFitsAndHalvesWithTheHalfSizeDisplay) {
  window.redraw(true);
  ASSERT_TRUE(window.pictureExists());
  ImageView* view = window.imageView();
  EXPECT_EQ(view->picture().size(), QSize(3040, 2024));
  const QSize client = view->viewport()->size();
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 3040 - client.width());
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 2024 - client.height());

  window.runCommand(cmd::kHalfSizeDisplay);
  EXPECT_EQ(view->picture().size(), QSize(1520, 1012));
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 1520 - view->viewport()->width());

  program.state.binned = true;
  program.applyGeometry();
  window.redraw(true);
  EXPECT_EQ(view->picture().size(), QSize(760, 506));
  // 760 x 506 fits in the client area: no scrolling.
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);

  program.state.binned = false;
  program.applyGeometry();
  window.runCommand(cmd::kFitToWindow);
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(view->displayPoint(QPoint(view->viewport()->width() / 2, 0)).x(), 760);
}

TEST_F(WindowTest, ThePictureIsPaintedWithItsPalette) {
  program.planes.RawImage[0] = 200 * 256;
  window.runCommand(cmd::kFalseColourPalette);
  const QImage& picture = window.imageView()->picture();
  ASSERT_EQ(picture.format(), QImage::Format_Indexed8);
  EXPECT_EQ(picture.pixelIndex(0, 0), 200);
  // 200: red 200, green 40000 / 256 = 156, blue 55 - 3025 / 256 = 44.
  EXPECT_EQ(picture.pixel(0, 0), qRgb(200, 156, 44));
}

TEST_F(WindowTest, CopyPutsThePictureOnTheClipboard) {
  EXPECT_FALSE(window.commandAction(cmd::kCopy)->isEnabled());
  program.state.binned = true;
  program.applyGeometry();
  window.redraw(true);
  EXPECT_TRUE(window.commandAction(cmd::kCopy)->isEnabled());
  QApplication::clipboard()->clear();
  window.commandAction(cmd::kCopy)->trigger();
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(1520, 1012));
}

TEST_F(WindowTest, PrintPrintsThePictureOnThePrinterOfTheDialogs) {
  constexpr int kPrintSetup = 114;
  constexpr int kPrint = 116;
  EXPECT_TRUE(window.commandAction(kPrintSetup)->isEnabled());
  EXPECT_FALSE(window.commandAction(kPrint)->isEnabled());  // no picture yet
  program.state.binned = true;
  program.applyGeometry();
  window.redraw(true);
  ASSERT_TRUE(window.commandAction(kPrint)->isEnabled());

  const QString pdf = QString::fromStdString((root.path() / "print.pdf").string());
  int setups = 0;
  window.runPrintSetupDialog = [&](QPrinter& p) {
    ++setups;
    p.setPageOrientation(QPageLayout::Landscape);
    return true;
  };
  bool accept = false;
  window.runPrintDialog = [&](QPrinter& p) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
    return accept;
  };

  // Print setup prepares the printer that Print uses; cancelling the print dialog prints
  // nothing.
  window.commandAction(kPrintSetup)->trigger();
  EXPECT_EQ(setups, 1);
  window.commandAction(kPrint)->trigger();
  EXPECT_FALSE(QFile::exists(pdf));

  accept = true;
  window.commandAction(kPrint)->trigger();
  EXPECT_EQ(window.printer().pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(window.printer().docName(), window.windowTitle());
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  // The picture went in as an image of its own size (PDF image objects name their width).
  EXPECT_TRUE(bytes.contains("/Subtype /Image")) << bytes.left(400).toStdString();
  EXPECT_TRUE(bytes.contains("/Width 1520"));

  // A printer that cannot start (its file would go into a folder that does not exist): the
  // message, and nothing printed.
  const QString unreachable = QString::fromStdString((root.path() / "missing" / "p.pdf").string());
  window.runPrintDialog = [&](QPrinter& p) {
    p.setOutputFileName(unreachable);
    return true;
  };
  test::MessageBoxAnswerer answerer;
  window.commandAction(kPrint)->trigger();
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(answerer.seen[0].text, "Unable to print the picture");
  EXPECT_FALSE(QFile::exists(unreachable));
}

// The program's end destroys the main window first: the camera and wheel channels close with it.
TEST_F(WindowTest, TheWindowClosesTheDevicesWhenItGoes) {
  auto second = std::make_unique<TNVK_K7LQWindow>(program, app.ui());
  program.devices.camera = std::make_unique<nvk::test::RecordingCameraTransport>();
  program.devices.filterWheel = std::make_unique<nvk::test::RecordingWheelTransport>();
  second.reset();
  EXPECT_EQ(program.devices.camera, nullptr);
  EXPECT_EQ(program.devices.filterWheel, nullptr);
}

TEST_F(WindowTest, ClicksPickTheSubFrameCentreOrReportOutside) {
  program.state.binned = true;
  program.applyGeometry();
  window.redraw(true);
  window.runCommand(cmd::kPickSubFrame);
  EXPECT_EQ(window.pickMode(), PickMode::SubFrameCentre);
  test::MessageBoxAnswerer answerer;
  QWidget* viewport = window.imageView()->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(program.state.subFrameCentreX, 760);
  EXPECT_EQ(program.state.subFrameCentreY, 506);
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(answerer.seen[0].text, "x position =   760\ny position =   506");

  // Half-size display: the picture is 760 x 506 and a click beyond it is outside.
  window.runCommand(cmd::kHalfSizeDisplay);
  window.runCommand(cmd::kFocusFrameCentre);
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(800, 100));
  ASSERT_EQ(answerer.seen.size(), 2u);
  EXPECT_EQ(answerer.seen[1].text, "Sorry, outside Image area - try again");
  EXPECT_EQ(window.pickMode(), PickMode::FocusCentre);
}

TEST(ApplicationTest, SimulateStartsWithAPictureAndMessage1WithoutSettings) {
  nvk::test::TempDir root;
  test::MessageBoxAnswerer answerer;
  TNVK_K7LQApp app(StartOptions{root.path(), true});
  EXPECT_FALSE(app.window().pictureExists());
  app.start();
  EXPECT_TRUE(app.window().pictureExists());
  EXPECT_EQ(app.window().windowTitle(), "NVK_K7LQ_USB - (Untitled)");
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].text, "Warning!\nNo INI file found, please set defaults...");
}

TEST(ApplicationTest, StartsWithTheSettingsOfTheFile) {
  nvk::test::TempDir root;
  settings::Settings saved;
  saved.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  saved.windowBackground = settings::WindowBackground::Red;
  ASSERT_TRUE(test::writeSettings(root.path(), saved));
  TNVK_K7LQApp app(StartOptions{root.path(), false});
  app.start();
  EXPECT_EQ(app.program().settings.guideOutputMode, settings::GuideOutputMode::AutoguiderSocket);
  EXPECT_TRUE(app.window().telescopeButton()->isVisible());
  // No picture yet: the client area shows the background colour of the settings.
  const QImage shot = app.window().imageView()->viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(10, 10), qRgb(120, 40, 40));
}

TEST(ApplicationTest, StartOptions) {
  const char* words[] = {"nvk-k7lq", "--simulate", "--root", "/tmp/x"};
  const StartOptions options = parseStartOptions(4, const_cast<char**>(words));
  EXPECT_TRUE(options.simulate);
  EXPECT_EQ(options.dataRoot, "/tmp/x");
}

}  // namespace
}  // namespace nvk::app::qt
