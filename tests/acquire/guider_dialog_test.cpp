// The autoguider camera dialog's model driven through the simulated camera, guide head and mount.
#include "acquire/guider_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>

#include "acquire/camera_dialog.h"
#include "acquire/exposure_sequence.h"
#include "files/bmp_file.h"
#include "scope/ao_unit.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "settings/settings_file.h"
#include "sim/guiding_rig.h"
#include "support/program_fixture.h"

namespace nvk::scope {
namespace {

// These models moved up to acquire/ and still use the guiding code below them.
using namespace nvk::acquire;

using Check = TGNVDialog::Check;
using Column = TGNVDialog::Column;

constexpr std::size_t kGuideSamples = std::size_t{kGuideImageWidth} * kGuideImageHeight;

struct GuiderDialogTest : ::testing::Test {
  test::ProgramFixture f;
  std::unique_ptr<sim::GuidingRig> rig;
  std::unique_ptr<TGNVDialog> dialog;

  void SetUp() override { build({}); }

  void build(const std::function<void(sim::GuidingRigOptions&)>& tweak) {
    sim::GuidingRigOptions o;
    o.mount.start = {2.0, 0.0};
    o.devices.sky.focusedSigma = 2.5;
    o.devices.camera.guideScale = 2.0;
    if (tweak) tweak(o);
    rig = std::make_unique<sim::GuidingRig>(f.clock, o);
    ASSERT_TRUE(rig->attach(f.program));
    auto& s = f.program.settings;
    s.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
    s.serialRoute = 1;
    s.guideStarMaskRadius = 9;
    s.guiderGuide.raRate = 7;
    s.guiderGuide.decRate = 7;
    ASSERT_EQ(f.program.saveSettingsFile(), settings::SettingsStatus::Ok);
    dialog = std::make_unique<TGNVDialog>(f.program);
  }

  settings::Settings settingsOnDisk() {
    settings::Settings s;
    image::FitsHeaderInfo fits;
    port::ScriptedUi quiet;
    EXPECT_EQ(settings::loadSettings(f.program.paths().settingsFile(), s, fits, quiet),
              settings::SettingsStatus::Ok);
    return s;
  }

  // The brightest sample of the middle of the guide image, in image coordinates.
  PixelPoint brightestStar() const {
    const auto& image = f.program.devices.guideImage;
    int best = -1;
    PixelPoint at;
    for (int y = 60; y < 230; ++y) {
      for (int x = 60; x < 440; ++x) {
        const int v = image[static_cast<std::size_t>(y * kGuideImageWidth + x)];
        if (v > best) best = v, at = {x, y};
      }
    }
    return at;
  }

  // An exposure, then the star selected by a click on it.
  PixelPoint selectStar() {
    dialog->chooseUnit('t');
    EXPECT_TRUE(ShowGuideExposure(f.program));
    const PixelPoint star = brightestStar();
    dialog->selectGuideStar();
    dialog->releaseOnImage(star.x, star.y, false);
    EXPECT_TRUE(f.program.guiding.starSelected);
    f.ui.clearRecord();
    return star;
  }
};

TEST_F(GuiderDialogTest, EachUnitResetsItsValueAndBoundsTheArrows) {
  struct Case {
    char unit;
    int reset;
    int maximum;
    std::uint32_t unitMs;
  };
  for (const Case c : {Case{'h', 5, 500, 10}, Case{'t', 5, 100, 100}, Case{'s', 1, 10, 1000}}) {
    SCOPED_TRACE(c.unit);
    dialog->valueUp();  // a value left over from the last unit
    dialog->chooseUnit(c.unit);
    EXPECT_EQ(dialog->unit(), c.unit);
    EXPECT_EQ(dialog->value(), c.reset);
    for (int i = 0; i < 600; ++i)
      dialog->valueUp();
    EXPECT_EQ(dialog->value(), c.maximum);
    for (int i = 0; i < 600; ++i)
      dialog->valueDown();
    EXPECT_EQ(dialog->value(), TGNVDialog::kMinimumValue);
    // An exposure of 3 units waits 3 units on the clock.
    dialog->valueUp();
    dialog->valueUp();
    const std::uint32_t before = f.clock.nowMs();
    dialog->takeDark();
    EXPECT_GE(f.clock.nowMs() - before, 3 * c.unitMs);
    EXPECT_LT(f.clock.nowMs() - before, 3 * c.unitMs + 500);
  }
}

TEST_F(GuiderDialogTest, AGuideExposureWritesTheGuiderBitmapAndShowsStars) {
  EXPECT_FALSE(dialog->image());
  dialog->takeDark();
  ASSERT_TRUE(dialog->image());
  const auto onDisk = files::readBitmapFile(f.program.autosaveFolder() / "nvkk7lqg.bmp");
  ASSERT_TRUE(onDisk);
  EXPECT_EQ(onDisk->width, kGuideImageWidth);
  EXPECT_EQ(onDisk->height, kGuideImageHeight);
  EXPECT_EQ(onDisk->pixels, dialog->image()->pixels);
  // The picture is the guide image's high bytes, and a star stands out of the sky.
  const auto& image = f.program.devices.guideImage;
  for (std::size_t i = 0; i < kGuideSamples; i += 997)
    ASSERT_EQ(dialog->image()->pixels[i], image[i] >> 8) << i;
  auto pixels = dialog->image()->pixels;
  std::nth_element(pixels.begin(), pixels.begin() + pixels.size() / 2, pixels.end());
  const int sky = pixels[pixels.size() / 2];
  EXPECT_GT(*std::max_element(pixels.begin(), pixels.end()) - sky, 20);
}

TEST_F(GuiderDialogTest, ApplyDarkFrameNeedsADarkAndTheDarkKeepsItsLabel) {
  EXPECT_FALSE(dialog->enabled(Check::ApplyDark));
  dialog->toggle(Check::ApplyDark);
  EXPECT_FALSE(dialog->checked(Check::ApplyDark));
  EXPECT_EQ(dialog->darkLabel(), "");

  struct Case {
    char unit;
    int ups;
    const char* label;
  };
  for (const Case c :
       {Case{'h', 7, "12 hundredth "}, Case{'t', 0, " 5 tenth "}, Case{'s', 2, " 3 second "}}) {
    dialog->chooseUnit(c.unit);
    for (int i = 0; i < c.ups; ++i)
      dialog->valueUp();
    dialog->takeDark();
    EXPECT_TRUE(dialog->darkAvailable());
    EXPECT_EQ(dialog->darkLabel(), c.label);
    // Changing the exposure afterwards leaves the dark's label alone.
    dialog->chooseUnit(c.unit == 's' ? 'h' : 's');
    dialog->valueUp();
    EXPECT_EQ(dialog->darkLabel(), c.label);
  }
  EXPECT_TRUE(dialog->enabled(Check::ApplyDark));
  dialog->toggle(Check::ApplyDark);
  EXPECT_TRUE(dialog->checked(Check::ApplyDark));
}

TEST_F(GuiderDialogTest, DarkSubtractionStopsAtZero) {
  struct Case {
    std::uint16_t sample, dark, expected;
  };
  const Case cases[] = {{100, 40, 60},     {40, 100, 0},  {40, 40, 0},
                        {65535, 0, 65535}, {0, 65535, 0}, {65535, 1, 65534}};
  std::vector<std::uint16_t> image, dark;
  for (const Case& c : cases) {
    image.push_back(c.sample);
    dark.push_back(c.dark);
  }
  subtractGuideDark(image, dark);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(image[i], cases[i].expected) << i;

  // Through the guide head: a dark brighter than any sky leaves nothing (no wrap-around), and
  // a dark exposure itself is never subtracted.
  dialog->takeDark();
  auto& camera = f.program.guiding.camera;
  camera.dark.assign(kGuideSamples, 65535);
  dialog->toggle(Check::ApplyDark);
  const auto shown = ShowGuideExposure(f.program);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(std::all_of(f.program.devices.guideImage.begin(), f.program.devices.guideImage.end(),
                          [](std::uint16_t v) { return !v; }));
  EXPECT_TRUE(
      std::all_of(shown->pixels.begin(), shown->pixels.end(), [](std::uint8_t v) { return !v; }));
  dialog->takeDark();
  EXPECT_TRUE(std::any_of(camera.dark.begin(), camera.dark.end(), [](auto v) { return v; }));
}

TEST_F(GuiderDialogTest, MedianOptionReplacesOnlyPixelsFarFromTheirNeighbourhood) {
  // A 3 x 3 neighbourhood written around (250, 145) on a background of 40; the centre last.
  struct Case {
    std::array<std::uint16_t, 9> box;  // row by row, centre at [4]
    std::uint16_t shown;
  };
  const Case cases[] = {
      // A hot pixel on an even sky: median 40, range 960, off by 960 > 576: replaced.
      {{40, 40, 40, 40, 1000, 40, 40, 40, 40}, 40},
      // Range 100: the centre 100 lies 60 from the median 40, exactly 0.6 of it: kept.
      {{0, 40, 40, 40, 100, 40, 40, 40, 40}, 100},
      // The median 39 is 61 away: replaced.
      {{0, 39, 39, 39, 100, 39, 39, 40, 40}, 39},
      // A star's peak among its bright flanks stays.
      {{300, 600, 300, 600, 900, 600, 300, 600, 300}, 900},
      // A dark pixel on the sky is filled in too.
      {{500, 500, 500, 500, 0, 500, 500, 500, 500}, 500},
  };
  for (const Case& c : cases) {
    std::vector<std::uint16_t> image(kGuideSamples, 40);
    for (int k = 0; k < 9; ++k) {
      const int x = 249 + k % 3, y = 144 + k / 3;
      image[static_cast<std::size_t>(y * kGuideImageWidth + x)] = c.box[k];
    }
    const std::size_t centre = 145 * kGuideImageWidth + 250;
    EXPECT_EQ(guideDisplayCopy(image, true, false)[centre], c.shown) << c.box[4];
    EXPECT_EQ(guideDisplayCopy(image, false, false)[centre], c.box[4]);
  }
  // The border rows and columns are never filtered.
  std::vector<std::uint16_t> image(kGuideSamples, 40);
  image[0] = image[kGuideImageWidth + 0] = 9000;
  image[kGuideImageWidth * 2 - 1] = 9000;
  const auto shown = guideDisplayCopy(image, true, false);
  EXPECT_EQ(shown[kGuideImageWidth], 9000);
  EXPECT_EQ(shown[kGuideImageWidth * 2 - 1], 9000);
}

TEST_F(GuiderDialogTest, StretchImageKeepsSkyBlackAndStarWhiteAndLiftsFaintStars) {
  constexpr std::size_t kStar = 100 * kGuideImageWidth + 200;
  constexpr std::size_t kFaint = 200 * kGuideImageWidth + 300;
  // A sky of high byte 7 with a little noise, a bright star peaking at 60000 beside 58000 (its
  // white point: high byte 227), a faint star of 4560 and a lone hot pixel.
  std::vector<std::uint16_t> image(kGuideSamples);
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint16_t>(1792 + i % 16);
  image[kStar] = 60000;
  image[kStar + 1] = 58000;
  image[kFaint] = 4560;
  image[kFaint + 1] = 4400;
  image[30'000] = 65535;

  // Min is the stretch as it always was, sample by sample (worked out by hand: black 7 x 128
  // and 255 / (227 - 7) per table step).
  const auto atMin = guideDisplayCopy(image, false, true);
  EXPECT_EQ(atMin, guideDisplayCopy(image, false, true, kStretchMin));
  EXPECT_EQ(atMin[0], 0);
  EXPECT_EQ(atMin[8], 8);  // sky 1800
  EXPECT_EQ(atMin[kStar], 65534);
  EXPECT_EQ(atMin[kStar + 1], 65150);
  EXPECT_EQ(atMin[kFaint], 3208);
  EXPECT_EQ(atMin[kFaint + 1], 3022);

  int lastFaint = -1;
  for (int level = kStretchMin; level <= kStretchMax; ++level) {
    SCOPED_TRACE(level);
    const auto shown = guideDisplayCopy(image, false, true, level);
    std::vector<std::uint16_t> sky = shown;
    for (const std::size_t star : {kStar, kStar + 1, kFaint, kFaint + 1, std::size_t{30'000}})
      sky[star] = 0;
    EXPECT_EQ(*std::max_element(sky.begin(), sky.end()) >> 8, 0);
    EXPECT_EQ(shown[kStar] >> 8, 255);
    EXPECT_GT(static_cast<int>(shown[kFaint]), lastFaint);
    lastFaint = shown[kFaint];
  }
  // Max shows the faint star well up the grey scale, and out-of-range levels are held to it.
  EXPECT_GT(lastFaint >> 8, 50);
  EXPECT_EQ(guideDisplayCopy(image, false, true, kStretchMax + 5),
            guideDisplayCopy(image, false, true, kStretchMax));
  EXPECT_EQ(guideDisplayCopy(image, false, true, kStretchMin - 5), atMin);
  EXPECT_EQ(guideDisplayCopy(image, false, false, kStretchMax), image);
}

TEST_F(GuiderDialogTest, StretchImageRedrawsTheLastExposureWithoutANewOne) {
  dialog->setRepaint([&] { dialog->stop(); });  // one pass of "Start"
  dialog->setStretchLevel(kStretchMax);         // nothing shown yet: only the level changes
  EXPECT_EQ(dialog->stretchLevel(), kStretchMax);
  dialog->setStretchLevel(kStretchMin);
  dialog->toggle(Check::Stretch);
  dialog->start();
  ASSERT_TRUE(dialog->image());
  const auto atMin = dialog->image()->pixels;
  const auto exposure = f.program.devices.guideImage;
  const std::uint32_t before = f.clock.nowMs();
  const auto bitmapFile = f.program.autosaveFolder() / "nvkk7lqg.bmp";

  dialog->setStretchLevel(kStretchMax + 1);
  EXPECT_EQ(dialog->stretchLevel(), kStretchMax);
  EXPECT_EQ(f.clock.nowMs(), before);
  EXPECT_EQ(f.program.devices.guideImage, exposure);
  EXPECT_EQ(dialog->image()->pixels,
            guideBitmap(guideDisplayCopy(exposure, false, true, kStretchMax)).pixels);
  EXPECT_NE(dialog->image()->pixels, atMin);
  EXPECT_EQ(files::readBitmapFile(bitmapFile)->pixels, dialog->image()->pixels);

  dialog->setStretchLevel(kStretchMin);
  EXPECT_EQ(dialog->image()->pixels, atMin);
  // Without the stretch the level does not change the picture.
  dialog->toggle(Check::Stretch);
  dialog->setStretchLevel(5);
  EXPECT_EQ(dialog->image()->pixels, atMin);
  EXPECT_EQ(f.clock.nowMs(), before);
}

TEST_F(GuiderDialogTest, BitmapFailuresShowTheirMessageAndKeepTheImageShown) {
  dialog->takeDark();
  ASSERT_TRUE(dialog->image());
  const auto before = *dialog->image();
  dialog->toggle(Check::Stretch);  // the next exposure would look different

  struct Case {
    const char* name;
    std::uint64_t diskBytes;
    bool folderIsAFile;
    const char* message;
  };
  const Case cases[] = {
      {"folder cannot hold files", ~std::uint64_t{0}, true,
       "Failed to create temp bitmap\nNot a directory"},
      {"disk full before the header", 100, false,
       "Unable to create temp bitmap file header\nNo space left on device"},
      {"disk full in the pixels", 20'000, false,
       "Unable to create temp bitmap file\nNo space left on device"},
  };
  const std::filesystem::path blocked = f.root.path() / "blocked";
  std::ofstream(blocked) << "a file where the autosave folder should be";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.ui.clearRecord();
    f.program.settings.autosaveDirectory = c.folderIsAFile ? blocked.string() : "";
    dialog->setDiskSpace({c.diskBytes});
    dialog->setRepaint([&] { dialog->stop(); });  // one pass of "Start"
    dialog->start();
    dialog->takeDark();
    EXPECT_EQ(f.ui.messageTexts(), (std::vector<std::string>{c.message, c.message}));
    EXPECT_FALSE(dialog->darkAvailable());
    ASSERT_TRUE(dialog->image());
    EXPECT_EQ(dialog->image()->pixels, before.pixels);
  }
}

TEST_F(GuiderDialogTest, StartRunsExposuresUntilStopOrAPress) {
  struct Case {
    bool pause;
    int stopAfter;  // passes; 0: a key press ends the loop instead
  };
  for (const Case c : {Case{false, 3}, Case{true, 3}, Case{false, 0}}) {
    SCOPED_TRACE(c.stopAfter);
    f.ui.clearRecord();
    dialog->chooseUnit('h');
    if (dialog->checked(Check::OneSecondPause) != c.pause) dialog->toggle(Check::OneSecondPause);
    int passes = 0;
    dialog->setRepaint([&] {
      if (!dialog->running()) return;
      ++passes;
      if (c.stopAfter != 0 && passes == c.stopAfter) dialog->stop();
    });
    if (c.stopAfter == 0) f.ui.pressKeyAt(f.clock.nowMs() + 400);
    const std::uint32_t start = f.clock.nowMs();
    dialog->start();
    EXPECT_FALSE(dialog->running());
    EXPECT_EQ(f.ui.beeps(), passes);  // one beep a pass
    if (c.stopAfter != 0) {
      EXPECT_EQ(passes, c.stopAfter);
      const std::uint32_t pauses = c.pause ? 1000u * passes : 0u;
      EXPECT_GE(f.clock.nowMs() - start, pauses + 50u * passes);
      EXPECT_LT(f.clock.nowMs() - start, pauses + 400u * passes);
    } else {
      EXPECT_GE(passes, 2);
      EXPECT_LT(f.clock.nowMs() - start, 1000u);
    }
    EXPECT_TRUE(dialog->image());
  }
  // The loop starts again after a stop.
  dialog->setRepaint([&] {
    if (dialog->running()) dialog->stop();
  });
  f.ui.clearRecord();
  dialog->start();
  EXPECT_EQ(f.ui.beeps(), 1);
}

TEST_F(GuiderDialogTest, SelectGuideStarTakesAClickOnTheStarAndReadsOutPositions) {
  ASSERT_TRUE(ShowGuideExposure(f.program));
  const PixelPoint star = brightestStar();
  // A click without "Select Guide Star" selects nothing.
  dialog->releaseOnImage(star.x, star.y, false);
  EXPECT_FALSE(f.program.guiding.starSelected);
  EXPECT_EQ(dialog->starXText(), "");

  dialog->selectGuideStar();
  EXPECT_TRUE(dialog->picking());
  dialog->releaseOnImage(3, star.y, false);  // the star box would leave the image
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>{"Sorry, outside Image area - try again"});
  EXPECT_TRUE(dialog->picking());
  f.ui.clearRecord();
  // Three pixels off the peak: the centroid passes walk onto the star (right button works too).
  dialog->releaseOnImage(star.x + 3, star.y - 2, true);
  EXPECT_FALSE(dialog->picking());
  ASSERT_TRUE(f.program.guiding.starSelected);
  ASSERT_TRUE(dialog->lastSelection());
  EXPECT_LE(std::abs(dialog->lastSelection()->x - star.x), 1);
  EXPECT_LE(std::abs(dialog->lastSelection()->y - star.y), 1);
  char expected[64];
  std::snprintf(expected, sizeof expected, "x position = %5d\ny position = %5d",
                dialog->lastSelection()->x, dialog->lastSelection()->y);
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>{expected});
  EXPECT_EQ(dialog->starXText(), std::to_string(dialog->lastSelection()->x));
  EXPECT_EQ(dialog->starYText(), std::to_string(dialog->lastSelection()->y));

  // The pointer read-out: x, y and the sample's high byte; outside the image it keeps the last.
  const auto& image = f.program.devices.guideImage;
  for (const PixelPoint p : {PixelPoint{0, 0}, star, PixelPoint{499, 289}}) {
    dialog->pointerAt(p.x, p.y);
    EXPECT_EQ(dialog->xText(), std::to_string(p.x));
    EXPECT_EQ(dialog->yText(), std::to_string(p.y));
    EXPECT_EQ(dialog->valText(),
              std::to_string(image[static_cast<std::size_t>(p.y * kGuideImageWidth + p.x)] >> 8));
  }
  dialog->pointerAt(500, 10);
  EXPECT_EQ(dialog->xText(), "499");
}

TEST_F(GuiderDialogTest, StartGuidingArmsTheNextMainExposureWhichThenGuides) {
  // Drift of 0.5" a second: 2.5 guide pixels over a 10 s exposure when nothing corrects it.
  build([](sim::GuidingRigOptions& o) { o.mount.raDriftArcsecPerSecond = 0.5; });
  auto takePhoto = [&] {
    f.ui.onDialog<acquire::TNVDialog>("TNVDialog", [](acquire::TNVDialog& d) {
      d.chooseReadoutMode(4);
      d.chooseUnit('s');
      d.setExposureField("10");
      return d.takePhoto().value_or(port::DialogResult::Cancel);
    });
    rig->markReference();
    EXPECT_EQ(acquire::CameraInterface(f.program), acquire::InterfaceOutcome::Ran);
    return std::hypot(rig->starOffsetX(), rig->starOffsetY());
  };

  // Refused while nothing can guide.
  f.program.settings.guideOutputMode = settings::GuideOutputMode::None;
  EXPECT_FALSE(dialog->startGuiding());
  f.program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  EXPECT_FALSE(dialog->startGuiding());
  EXPECT_EQ(
      f.ui.messageTexts(),
      (std::vector<std::string>{"Please select a telescope drive method before using autoguider",
                                "Please pick a guide star first"}));
  EXPECT_FALSE(f.program.acquisition.guideDuringExposure);
  EXPECT_EQ(dialog->exit(), GuiderDialogExit::Open);

  // Without arming, a photo is not guided and the star drifts.
  selectStar();
  EXPECT_GT(takePhoto(), 2.0);
  EXPECT_EQ(f.program.guiding.pulsesSent, 0);

  selectStar();
  EXPECT_EQ(dialog->startGuiding(), port::DialogResult::Ok);
  EXPECT_EQ(dialog->exit(), GuiderDialogExit::StartGuiding);
  EXPECT_TRUE(f.program.acquisition.guideDuringExposure);
  EXPECT_LT(takePhoto(), 0.8);
  EXPECT_GT(f.program.guiding.pulsesSent, 0);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
  // Armed for one exposure only.
  EXPECT_FALSE(f.program.acquisition.guideDuringExposure);
  EXPECT_FALSE(f.program.guiding.active);
}

TEST_F(GuiderDialogTest, TogglesThatTheSettingsFileHoldsAreSaved) {
  struct Case {
    Check check;
    std::function<bool(const settings::Settings&)> on;
  };
  const Case cases[] = {
      {Check::Bin2x2, [](const settings::Settings& s) { return s.guideHeadBin2x2; }},
      {Check::ClearCamera, [](const settings::Settings& s) { return s.guideHeadClear; }},
      {Check::IgnoreBacklash, [](const settings::Settings& s) { return s.ignoreBacklash; }},
      {Check::IgnoreRaAngle, [](const settings::Settings& s) { return s.ignoreRaAngle; }},
      {Check::SwapNorthSouth,
       [](const settings::Settings& s) {
         return s.directionLetters.north == 's' && s.directionLetters.south == 'n';
       }},
      {Check::SwapEastWest,
       [](const settings::Settings& s) {
         return s.directionLetters.east == 'w' && s.directionLetters.west == 'e';
       }},
      {Check::SwapAoUpDown,
       [](const settings::Settings& s) {
         return s.aoUpDownLetters == settings::LetterPair{'s', 'n'};
       }},
      {Check::SwapAoLeftRight,
       [](const settings::Settings& s) {
         return s.aoLeftRightLetters == settings::LetterPair{'w', 'e'};
       }},
      {Check::SwapMountNorthSouth,
       [](const settings::Settings& s) {
         return s.mountNorthSouthLetters == settings::LetterPair{'S', 'N'};
       }},
      {Check::SwapMountEastWest,
       [](const settings::Settings& s) {
         return s.mountEastWestLetters == settings::LetterPair{'W', 'T'};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.check));
    EXPECT_FALSE(dialog->checked(c.check));
    dialog->toggle(c.check);
    EXPECT_TRUE(dialog->checked(c.check));
    EXPECT_TRUE(c.on(f.program.settings));
    EXPECT_TRUE(c.on(settingsOnDisk()));
    dialog->toggle(c.check);
    EXPECT_FALSE(c.on(settingsOnDisk()));
  }
  // The display options are the session's: the file does not change.
  const auto file = f.program.paths().settingsFile();
  const auto stamp = std::filesystem::last_write_time(file);
  std::filesystem::last_write_time(file, stamp - std::chrono::hours(1));
  for (const Check c : {Check::OneSecondPause, Check::Median, Check::Stretch}) {
    dialog->toggle(c);
    EXPECT_TRUE(dialog->checked(c));
  }
  EXPECT_EQ(std::filesystem::last_write_time(file), stamp - std::chrono::hours(1));

  // Guiding mode and AO mode are saved too.
  dialog->toggleGuidingMode();
  EXPECT_EQ(dialog->guidingMode(), 'A');
  EXPECT_EQ(settingsOnDisk().guidingMode, settings::GuidingMode::AoUnit);
  dialog->toggleGuidingMode();
  EXPECT_EQ(dialog->guidingMode(), 'T');
  dialog->toggleAoMode();
  EXPECT_TRUE(settingsOnDisk().aoPulseMode);
}

TEST_F(GuiderDialogTest, DefaultAndLatestColumnsAndTheValuesInUse) {
  EXPECT_EQ(dialog->defaultText(Column::Ra), "7");
  EXPECT_EQ(dialog->latestText(Column::Ra), "");
  dialog->useDefault();  // nothing trained: the defaults stay in use
  EXPECT_EQ(dialog->useDefaultText(), "Use Defaults");
  EXPECT_EQ(dialog->valuesInUseText(), "Using Default Vals");
  dialog->saveLatest();  // nothing to save
  EXPECT_EQ(f.program.settings.guiderGuide.raRate, 7);

  // Bad edits are refused and change nothing.
  struct Bad {
    Column column;
    const char* text;
  };
  for (const Bad b : {Bad{Column::Ra, "0"}, Bad{Column::Dec, "abc"}, Bad{Column::RaBacklash, "-1"},
                      Bad{Column::DecBacklash, "50"}, Bad{Column::RaAngle, "400"}}) {
    SCOPED_TRACE(b.text);
    f.ui.clearRecord();
    const settings::Settings before = f.program.settings;
    dialog->defaultText(b.column) = b.text;
    dialog->changeDefaults();
    ASSERT_EQ(f.ui.messages().size(), 1u);
    EXPECT_EQ(f.program.settings.guiderGuide, before.guiderGuide);
    EXPECT_EQ(f.program.settings.guiderRaAngle, before.guiderRaAngle);
    EXPECT_EQ(settingsOnDisk().guiderGuide, before.guiderGuide);
    dialog->defaultText(b.column) = b.column == Column::Ra || b.column == Column::Dec ? "7" : "0";
  }
  const char* edits[] = {"12", "9", "3", "0", "-30"};
  for (int i = 0; i < 5; ++i)
    dialog->defaultText(static_cast<Column>(i)) = edits[i];
  dialog->changeDefaults();
  const auto saved = settingsOnDisk();
  EXPECT_EQ(saved.guiderGuide.raRate, 12);
  EXPECT_EQ(saved.guiderGuide.decRate, 9);
  EXPECT_EQ(saved.guiderGuide.raBacklash, 3);
  EXPECT_EQ(saved.guiderGuide.decBacklash, 0);
  EXPECT_EQ(saved.guiderRaAngle, -30);

  // Trained values: the latest column, the toggle, and Save Latest into the defaults.
  auto& g = f.program.guiding;
  g.trained.raLength = 8;
  g.trained.decLength = 6;
  g.trained.raBacklash = 2;
  g.trained.decBacklash = 4;
  g.trained.raAngle = 30.0 * std::numbers::pi / 180.0;
  g.trainedAvailable = g.useTrained = true;
  EXPECT_EQ(dialog->latestText(Column::RaAngle), "30");
  EXPECT_EQ(dialog->valuesInUseText(), "Using Trained Vals");
  EXPECT_EQ(dialog->useDefaultText(), "Use Defaults");
  dialog->useDefault();
  EXPECT_FALSE(g.useTrained);
  EXPECT_EQ(dialog->useDefaultText(), "Use Trained");
  EXPECT_EQ(dialog->valuesInUseText(), "Using Default Vals");
  dialog->useDefault();
  EXPECT_TRUE(g.useTrained);
  dialog->saveLatest();
  const auto latest = settingsOnDisk();
  EXPECT_EQ(latest.guiderGuide.raRate, 8);
  EXPECT_EQ(latest.guiderGuide.decRate, 6);
  EXPECT_EQ(latest.guiderGuide.raBacklash, 2);
  EXPECT_EQ(latest.guiderGuide.decBacklash, 4);
  EXPECT_EQ(latest.guiderRaAngle, 30);
  EXPECT_EQ(dialog->defaultText(Column::Ra), "8");
  EXPECT_EQ(dialog->defaultText(Column::RaAngle), "30");
}

TEST_F(GuiderDialogTest, TrainWalksItsCaptionsAndFillsTheLatestColumn) {
  f.program.settings.guiderTrainingSeconds = 4;
  dialog->train();  // no star yet
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>{"Please pick a guide star first"});
  selectStar();
  std::vector<std::string> captions;
  dialog->setRepaint([&] { captions.push_back(dialog->title()); });
  dialog->train();
  ASSERT_EQ(captions.size(), 10u) << (captions.empty() ? "" : captions.back());
  EXPECT_EQ(captions[0], "Auto Guider Camera Control - Training / slewing West");
  EXPECT_EQ(captions[8], "Auto Guider Camera Control - Training / slewing South");
  EXPECT_EQ(dialog->title(), "Auto Guider Camera Control");
  EXPECT_EQ(dialog->valuesInUseText(), "Using Trained Vals");
  const auto& trained = f.program.guiding.trained;
  EXPECT_GT(trained.raLength, 3);
  EXPECT_EQ(dialog->latestText(Column::Ra), std::to_string(trained.raLength));
  EXPECT_EQ(dialog->latestText(Column::Dec), std::to_string(trained.decLength));
  EXPECT_EQ(dialog->latestText(Column::DecBacklash), std::to_string(trained.decBacklash));
}

TEST_F(GuiderDialogTest, AoUseDefaultSwitchesTheGuideStepBetweenTrainedAndDefaultGains) {
  auto& s = f.program.settings;
  s.aoDefaultGainUpDown = 1;
  s.aoDefaultGainLeftRight = 2;
  const GuideError error{3000, -2000};  // three pixels in x, two in y
  // The step counts an error produces, from the AO unit at its centre.
  auto steps = [&] {
    dialog->centraliseAo();
    AoGuideStep(f.program, error);
    return std::pair(f.program.guiding.ao.lastXSteps, f.program.guiding.ao.lastYSteps);
  };
  const std::pair defaults(3 * 1, 2 * 2);

  // Nothing trained: the toggle does nothing and the defaults move the unit.
  dialog->aoUseDefault();
  EXPECT_EQ(dialog->aoUseDefaultText(), "Use Defaults");
  EXPECT_EQ(dialog->aoGainsInUseText(), "Using Default Gains");
  EXPECT_EQ(steps(), defaults);

  selectStar();
  dialog->trainAo();
  ASSERT_TRUE(f.program.guiding.ao.trainedGainsAvailable);
  const std::pair latest(3 * s.aoLatestGainUpDown, 2 * s.aoLatestGainLeftRight);
  ASSERT_NE(latest, defaults);
  struct Press {
    const char* buttonText;
    const char* inUse;
    std::pair<int, int> steps;
  };
  const Press presses[] = {{"Use Defaults", "Using Trained Gains", latest},
                           {"Use Trained", "Using Default Gains", defaults},
                           {"Use Defaults", "Using Trained Gains", latest}};
  for (const Press& p : presses) {
    SCOPED_TRACE(p.inUse);
    EXPECT_EQ(dialog->aoUseDefaultText(), p.buttonText);
    EXPECT_EQ(dialog->aoGainsInUseText(), p.inUse);
    EXPECT_EQ(steps(), p.steps);
    dialog->aoUseDefault();
  }
}

TEST_F(GuiderDialogTest, ArrowsMoveTheMountWhileHeldOrTheAoUnitPerPress) {
  struct Case {
    Arrow arrow;
    std::uint8_t socketBits;  // the guide-output line held for it
    int upDown, leftRight;    // AO steps after one press in AO mode
  };
  const Case cases[] = {{Arrow::Up, 4, 100, 0},
                        {Arrow::Down, 2, -100, 0},
                        {Arrow::Right, 8, 0, 100},
                        {Arrow::Left, 1, 0, -100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.arrow));
    dialog->pressArrow(c.arrow);
    EXPECT_EQ(rig->mount().guideOutputs(), c.socketBits);
    dialog->pressArrow(c.arrow);  // auto-repeat changes nothing
    EXPECT_EQ(rig->mount().guideOutputs(), c.socketBits);
    dialog->releaseArrow();
    EXPECT_EQ(rig->mount().guideOutputs(), 0);
  }
  dialog->toggleGuidingMode();
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.arrow));
    dialog->centraliseAo();
    EXPECT_EQ(dialog->aoPositionText(), "0, 0");
    dialog->pressArrow(c.arrow);
    EXPECT_EQ(rig->mount().guideOutputs(), 0);
    EXPECT_EQ(f.program.guiding.ao.upDown, c.upDown);
    EXPECT_EQ(f.program.guiding.ao.leftRight, c.leftRight);
    dialog->releaseArrow();
  }
}

TEST_F(GuiderDialogTest, TheCommandOpensTheDialogAndReportsHowItWasLeft) {
  struct Case {
    std::function<std::optional<port::DialogResult>(TGNVDialog&)> press;
    GuiderOutcome outcome;
  };
  const Case cases[] = {
      {[](TGNVDialog& d) { return d.goToMainCamera(); }, GuiderOutcome::GoToMainCamera},
      {[](TGNVDialog& d) { return std::optional(d.close()); }, GuiderOutcome::Closed},
      {[](TGNVDialog& d) {
         d.selectGuideStar();
         d.start();
         return d.startGuiding();
       },
       GuiderOutcome::Closed},  // no star: refused, then the window is closed
  };
  for (const Case& c : cases) {
    f.ui.onDialog<TGNVDialog>("TGNVDialog", [&](TGNVDialog& d) {
      EXPECT_EQ(d.title(), "Auto Guider Camera Control");
      return c.press(d).value_or(port::DialogResult::Cancel);
    });
    f.ui.pressKeyAt(f.clock.nowMs() + 300);
    EXPECT_EQ(AutoGuiderCamera(f.program), c.outcome);
  }
  EXPECT_TRUE(f.ui.scriptErrors().empty());

  test::ProgramFixture cameraless;
  EXPECT_EQ(AutoGuiderCamera(cameraless.program), GuiderOutcome::NoCamera);
  EXPECT_TRUE(cameraless.ui.dialogsShown().empty());
}

}  // namespace
}  // namespace nvk::scope
