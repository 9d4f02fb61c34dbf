// The autoguider camera dialog in the real main window with the simulated camera attached.
#include "app/qt/guider_dialog_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "qt_test_support.h"

namespace nvk::app::qt {
namespace {

settings::Settings guideSocketSettings() {
  settings::Settings s;
  s.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  return s;
}

struct GuiderDialogViewTest : test::MainWindowTest {
  GuiderDialogViewTest() : MainWindowTest(guideSocketSettings()) {}
};

TEST_F(GuiderDialogViewTest, CtrlGOpensTheDialogAndAGuideExposureShowsTheGuideImage) {
  QString title;
  QImage picture;
  QString xShown, yShown, valShown, starShown;
  int brightest = 0;
  int starValue = -1;
  QPoint star;
  test::MessageBoxAnswerer answerer;
  whenDialogShows<GuiderDialogView>([&](GuiderDialogView& d) {
    title = d.windowTitle();
    child<QRadioButton>(d, "unit_t")->click();  // 5 tenths
    // The display stretch: the sky black, the brightest star white.
    for (auto* box : d.findChildren<QCheckBox*>())
      if (box->text() == "Apply Stretch to Guider Images") box->click();
    // Esc during the loop's dispatch ends "Start" after its first exposures.
    QTimer::singleShot(100, [&d] { QTest::keyClick(&d, Qt::Key_Escape); });
    child<QPushButton>(d, "start")->click();
    picture = d.guideImage()->pixmap().toImage();
    // The pointer over the brightest pixel reads it out; a click there selects that star.
    for (int y = 30; y < picture.height() - 30; ++y) {
      for (int x = 30; x < picture.width() - 30; ++x) {
        const int v = qGray(picture.pixel(x, y));
        if (v > brightest) brightest = v, star = {x, y};
      }
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(star), d.guideImage()->mapToGlobal(QPointF(star)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(d.guideImage(), &move);
    starValue =
        program.devices.guideImage[static_cast<std::size_t>(star.y() * 500 + star.x())] >> 8;
    xShown = child<QLabel>(d, "x")->text();
    yShown = child<QLabel>(d, "y")->text();
    valShown = child<QLabel>(d, "val")->text();
    child<QPushButton>(d, "selectGuideStar")->click();
    QTest::mouseClick(d.guideImage(), Qt::LeftButton, {}, star);
    starShown = child<QLabel>(d, "starX")->text() + "," + child<QLabel>(d, "starY")->text();
    child<QPushButton>(d, "close")->click();
  });
  QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);

  ASSERT_TRUE(shown);
  EXPECT_EQ(title, "Auto Guider Camera Control");
  ASSERT_EQ(picture.size(), QSize(500, 290));
  // The stretch takes the sky to black and the brightest star to white; the star picked in
  // the middle stands out of the sky.
  int darkest = 255, whitest = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      darkest = std::min(darkest, qGray(picture.pixel(x, y)));
      whitest = std::max(whitest, qGray(picture.pixel(x, y)));
    }
  }
  EXPECT_EQ(darkest, 0);
  EXPECT_EQ(whitest, 255);
  EXPECT_GT(brightest, 40);
  EXPECT_EQ(xShown, QString::number(star.x()));
  EXPECT_EQ(yShown, QString::number(star.y()));
  EXPECT_EQ(valShown, QString::number(starValue));  // the measured sample, not the stretched
  ASSERT_TRUE(program.guiding.starSelected);
  EXPECT_LE(std::abs(program.guiding.reference.x - star.x()), 2);
  EXPECT_LE(std::abs(program.guiding.reference.y - star.y()), 2);
  EXPECT_EQ(starShown,
            QString("%1,%2").arg(program.guiding.reference.x).arg(program.guiding.reference.y));
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].text.rfind("x position = ", 0), 0u);
  EXPECT_FALSE(program.acquisition.guideDuringExposure);
}

TEST_F(GuiderDialogViewTest, AoGainsButtonSwitchesBetweenTrainedAndDefaultGains) {
  auto& ao = program.guiding.ao;
  ao.trainedGainsAvailable = ao.useTrainedGains = true;
  QStringList texts;
  whenDialogShows<GuiderDialogView>([&](GuiderDialogView& d) {
    auto* button = child<QPushButton>(d, "aoUseDefault");
    auto* inUse = child<QLabel>(d, "aoGainsInUse");
    for (int press = 0; press < 2; ++press) {
      texts << button->text() + " / " + inUse->text();
      button->click();
    }
    texts << button->text() + " / " + inUse->text();
    child<QPushButton>(d, "close")->click();
  });
  QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
  ASSERT_TRUE(shown);
  EXPECT_EQ(texts,
            (QStringList{"Use Defaults / Using Trained Gains", "Use Trained / Using Default Gains",
                         "Use Defaults / Using Trained Gains"}));
}

TEST_F(GuiderDialogViewTest, StretchImageSliderRedrawsTheShownGuideImage) {
  QImage atMin, atMax, backAtMin;
  bool enabledWithoutStretch = true;
  std::vector<std::uint16_t> exposed, redrawn;
  whenDialogShows<GuiderDialogView>([&](GuiderDialogView& d) {
    auto* slider = child<QSlider>(d, "stretchImage");
    enabledWithoutStretch = slider->isEnabled();
    for (auto* box : d.findChildren<QCheckBox*>())
      if (box->text() == "Apply Stretch to Guider Images") box->click();
    child<QPushButton>(d, "takeDark")->click();
    exposed = program.devices.guideImage;
    atMin = d.guideImage()->pixmap().toImage();
    slider->setValue(slider->maximum());
    atMax = d.guideImage()->pixmap().toImage();
    slider->setValue(slider->minimum());
    backAtMin = d.guideImage()->pixmap().toImage();
    redrawn = program.devices.guideImage;
    child<QPushButton>(d, "close")->click();
  });
  QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
  ASSERT_TRUE(shown);
  EXPECT_FALSE(enabledWithoutStretch);
  ASSERT_EQ(atMin.size(), QSize(500, 290));
  EXPECT_EQ(program.guiding.camera.stretchLevel, scope::kStretchMin);
  // Max brightens the faint parts of the same exposure; Min brings the first picture back.
  EXPECT_NE(atMax, atMin);
  EXPECT_EQ(backAtMin, atMin);
  std::int64_t sumMin = 0, sumMax = 0;
  for (int y = 0; y < atMin.height(); ++y) {
    for (int x = 0; x < atMin.width(); ++x) {
      sumMin += qGray(atMin.pixel(x, y));
      sumMax += qGray(atMax.pixel(x, y));
    }
  }
  EXPECT_GT(sumMax, sumMin);
  EXPECT_EQ(redrawn, exposed);  // drawn again from the same exposure
}

}  // namespace
}  // namespace nvk::app::qt
