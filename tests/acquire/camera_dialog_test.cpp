#include "acquire/camera_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/program_fixture.h"

namespace nvk::acquire {
namespace {

// Records what the dialog asked of the camera.
struct FakeCamera final : CameraControl {
  int coolingCommands = 0;
  std::vector<int> filters;
  int setCooling() override {
    ++coolingCommands;
    return 0;
  }
  void selectFilter(int n) override { filters.push_back(n); }
};

struct CameraDialogTest : ::testing::Test {
  test::ProgramFixture fx;
  FakeCamera camera;
  app::Program& program = fx.program;
};

TEST_F(CameraDialogTest, UnitsSetValueAndMaximumAndTheArrowsStopAtTheEnds) {
  struct Case {
    char unit;
    int value;
    int maximum;
  };
  for (const Case c : {Case{'q', 5, 500}, Case{'h', 5, 500}, Case{'t', 5, 100}, Case{'s', 1, 300},
                       Case{'m', 1, 90}}) {
    SCOPED_TRACE(c.unit);
    TNVDialog dialog(program, camera);
    program.acquisition.exposureValue = 77;
    dialog.chooseUnit(c.unit);
    EXPECT_EQ(program.acquisition.exposureUnit, c.unit);
    EXPECT_EQ(program.acquisition.exposureValue, c.value);
    EXPECT_EQ(program.acquisition.exposureMaximum, c.maximum);
    EXPECT_EQ(dialog.exposureField(), std::to_string(c.value));
    dialog.setExposureField(std::to_string(c.maximum - 1));
    dialog.exposureRight();
    dialog.exposureRight();
    EXPECT_EQ(program.acquisition.exposureValue, c.maximum);
    dialog.exposureRight();
    EXPECT_EQ(dialog.exposureField(), std::to_string(c.maximum));
    // The left arrow starts from the field too and stops at 1.
    dialog.setExposureField("2");
    dialog.exposureLeft();
    dialog.exposureLeft();
    EXPECT_EQ(program.acquisition.exposureValue, 1);
  }
}

TEST_F(CameraDialogTest, TakePhotoNeedsANonZeroValue) {
  struct Case {
    const char* field;
    bool closes;
    int stored;
  };
  for (const Case c :
       {Case{"", false, 1}, Case{"0", false, 1}, Case{"abc", false, 1}, Case{"25", true, 25}}) {
    SCOPED_TRACE(c.field);
    program.acquisition.exposureValue = 1;
    TNVDialog dialog(program, camera);
    dialog.setExposureField(c.field);
    const auto result = dialog.takePhoto();
    EXPECT_EQ(result.has_value(), c.closes);
    if (result) {
      EXPECT_EQ(*result, port::DialogResult::Ok);
    }
    EXPECT_EQ(dialog.exit(), c.closes ? DialogExit::TakePhoto : DialogExit::Open);
    EXPECT_EQ(program.acquisition.exposureValue, c.stored);
  }
}

TEST_F(CameraDialogTest, SetPointArrowsAndPages) {
  using Op = void (TNVDialog::*)();
  struct Case {
    const char* name;
    int start;
    Op op;
    int expected;
  };
  const Case cases[] = {
      {"left at -40", -40, &TNVDialog::setPointLineLeft, -40},
      {"left at -39", -39, &TNVDialog::setPointLineLeft, -40},
      {"left at 10", 10, &TNVDialog::setPointLineLeft, 9},
      {"right at 34", 34, &TNVDialog::setPointLineRight, 35},
      {"right at 35", 35, &TNVDialog::setPointLineRight, 35},
      {"page left", 12, &TNVDialog::setPointPageLeft, -40},
      {"page right", -12, &TNVDialog::setPointPageRight, 35},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    program.settings.forceMaxCooling = false;
    program.devices.cooler.setPointC = static_cast<std::int16_t>(c.start);
    TNVDialog dialog(program, camera);
    (dialog.*c.op)();
    EXPECT_EQ(dialog.setPoint(), c.expected);
    // Maximum cooling freezes the bar.
    program.settings.forceMaxCooling = true;
    program.devices.cooler.setPointC = static_cast<std::int16_t>(c.start);
    (dialog.*c.op)();
    dialog.setPointDrag(0);
    EXPECT_EQ(dialog.setPoint(), c.start);
    EXPECT_EQ(dialog.coolingModeText(), "Max Cooling Set");
  }
  program.settings.forceMaxCooling = false;
  TNVDialog dialog(program, camera);
  EXPECT_EQ(dialog.coolingModeText(), "Adjust Cooling");
  dialog.setPointDrag(-99);
  EXPECT_EQ(dialog.setPoint(), -40);
  dialog.setPointDrag(7);
  EXPECT_EQ(dialog.setPoint(), 7);
  EXPECT_EQ(dialog.setText(), " 7");
}

TEST_F(CameraDialogTest, StretchBarLinesPagesAndDrag) {
  using Op = void (TNVDialog::*)();
  struct Case {
    int start;
    Op op;
    int expected;
  };
  for (const Case c :
       {Case{1, &TNVDialog::stretchLineUp, 1}, Case{14, &TNVDialog::stretchLineUp, 13},
        Case{50, &TNVDialog::stretchLineDown, 50}, Case{49, &TNVDialog::stretchLineDown, 50},
        Case{20, &TNVDialog::stretchPageUp, 1}, Case{20, &TNVDialog::stretchPageDown, 50}}) {
    program.acquisition.focusStretch = c.start;
    TNVDialog dialog(program, camera);
    (dialog.*c.op)();
    EXPECT_EQ(dialog.focusStretch(), c.expected) << c.start;
  }
}

TEST_F(CameraDialogTest, FilterButtonsWrapAndSelectTheFilter) {
  program.settings.filterCount = 5;
  program.settings.filterNames[4] = "Ha";
  program.settings.filterNames[0] = "Red";
  TNVDialog dialog(program, camera);
  program.devices.filterPosition = 4;
  dialog.filterNext();
  EXPECT_EQ(dialog.filterPosition(), 5);
  EXPECT_EQ(dialog.filterName(), "Ha");
  dialog.filterNext();
  EXPECT_EQ(dialog.filterPosition(), 1);
  EXPECT_EQ(dialog.filterName(), "Red");
  dialog.filterPrev();
  EXPECT_EQ(dialog.filterPosition(), 5);
  dialog.filterFirst();
  EXPECT_EQ(dialog.filterPosition(), 1);
  EXPECT_EQ(camera.filters, (std::vector<int>{5, 1, 5, 1}));
}

TEST_F(CameraDialogTest, CountAndPauseArrowsKeepTheirRanges) {
  TNVDialog dialog(program, camera);
  program.acquisition.exposureCount = 1;
  dialog.exposuresLeft();
  EXPECT_EQ(dialog.exposureCount(), 1);
  program.acquisition.exposureCount = 99;
  dialog.exposuresRight();
  EXPECT_EQ(dialog.exposureCount(), 99);
  program.acquisition.pauseBetweenExposures = 0;
  dialog.pauseLeft();
  EXPECT_EQ(dialog.pause(), 0);
  program.acquisition.pauseBetweenExposures = 20;
  dialog.pauseRight();
  EXPECT_EQ(dialog.pause(), 20);
  dialog.pauseLeft();
  EXPECT_EQ(dialog.pause(), 19);
}

TEST_F(CameraDialogTest, CoolingCheckBoxAndCoolingCommandOnEveryRedraw) {
  struct Case {
    bool available, on, maxCooling, expectedOn;
  };
  for (const Case c : {Case{true, true, false, false}, Case{true, false, false, true},
                       Case{true, true, true, true}, Case{false, true, false, true}}) {
    program.devices.cooler.available = c.available;
    program.devices.cooler.on = c.on;
    program.settings.forceMaxCooling = c.maxCooling;
    camera.coolingCommands = 0;
    TNVDialog dialog(program, camera);
    dialog.toggleCooling();
    EXPECT_EQ(dialog.coolingOn(), c.expectedOn);
    EXPECT_EQ(camera.coolingCommands, c.available ? 2 : 0);
    EXPECT_EQ(dialog.coolingEnabled(), c.available);
  }
}

TEST_F(CameraDialogTest, GuidingButtons) {
  TNVDialog dialog(program, camera);
  EXPECT_FALSE(dialog.goToAutoguider());
  ASSERT_EQ(fx.ui.messageTexts().size(), 1u);
  EXPECT_EQ(fx.ui.messageTexts()[0],
            "Please select a telescope drive method before using autoguider");
  program.acquisition.guiding = true;
  EXPECT_FALSE(dialog.autoguidePhoto());
  EXPECT_EQ(fx.ui.messageTexts().back(), "Sorry, already guiding with external camera");
  program.acquisition.guiding = false;
  program.settings.guideOutputMode = settings::GuideOutputMode::Lx200;
  EXPECT_EQ(dialog.goToAutoguider(), port::DialogResult::Cancel);
  EXPECT_EQ(dialog.exit(), DialogExit::GoToAutoguider);
  EXPECT_EQ(dialog.autoguidePhoto(), port::DialogResult::Ok);
  EXPECT_TRUE(program.acquisition.guideDuringExposure);
  EXPECT_EQ(dialog.exit(), DialogExit::AutoguidePhoto);
}

}  // namespace
}  // namespace nvk::acquire
