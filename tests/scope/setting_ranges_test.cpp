// Every place that edits a settings value takes the range the settings file keeps.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "acquire/guider_dialog.h"
#include "process/auto_processing_choices.h"
#include "settings/defaults_dialog.h"
#include "settings/settings_file.h"
#include "settings/value_ranges.h"
#include "support/program_fixture.h"

namespace nvk::scope {
namespace {

// The guider camera dialog lives in acquire/, above the code these tests cover.
using namespace nvk::acquire;

using settings::Settings;
using Edit = std::function<void(test::ProgramFixture&, const std::string&)>;

Edit slewEdit(bool mainCamera, std::string settings::DefaultsDialog::SlewEdits::*edit) {
  return [=](test::ProgramFixture& f, const std::string& text) {
    settings::DefaultsDialog dialog(f.program.settings, f.program.fits, f.program.paths(),
                                    f.program.comPorts, f.ui);
    (mainCamera ? dialog.mainEdits : dialog.guiderEdits).*edit = text;
    dialog.setSlewValues();
  };
}

Edit guiderEdit(TGNVDialog::Column column) {
  return [=](test::ProgramFixture& f, const std::string& text) {
    TGNVDialog dialog(f.program);
    dialog.defaultText(column) = text;
    dialog.changeDefaults();
  };
}

Edit aoGainEdit(int gain) {
  return [=](test::ProgramFixture& f, const std::string& text) {
    TGNVDialog dialog(f.program);
    dialog.aoDefaultText(gain) = text;
    dialog.aoChangeDefaults();
  };
}

Edit autoProcessingEdit(std::size_t number) {
  return [=](test::ProgramFixture& f, const std::string& text) {
    auto texts = process::autoProcessingTexts(f.program.settings);
    texts[number] = text;
    process::storeAutoProcessingNumbers(texts, f.program.settings);
  };
}

// Regression: the defaults dialog took an RA backlash up to 32767 and the guider dialog up to
// 49, but a load refuses more than 30 and rewrites the file, so a 35 typed into either dialog
// quietly went back to the old value at the next start. Each value's ends are taken by every
// editor (the dialogs and `settings set`) and kept by a save and a load; one past either end is
// refused by every editor. (Hysteresis is capped rather than refused, and has its own test.)
TEST(SettingRangesTest, EveryEditorTakesTheRangeTheFileKeeps) {
  using D = settings::DefaultsDialog::SlewEdits;
  using C = TGNVDialog::Column;
  const struct {
    const char* name;  // as `settings set` takes it
    settings::ValueRange range;
    int (*read)(const Settings&);
    std::vector<Edit> dialogs;
    bool fileTakesMore = false;  // `settings set` follows the file's wider range instead
  } rows[] = {
      // clang-format off
      {"mainRaGuideRate", settings::kGuideRateRange,
       [](const Settings& s) -> int { return s.mainGuide.raRate; }, {slewEdit(true, &D::raRate)}},
      {"mainRaBacklash", settings::kRaBacklashRange,
       [](const Settings& s) -> int { return s.mainGuide.raBacklash; },
       {slewEdit(true, &D::raBacklash)}},
      {"mainDecBacklash", settings::kDecBacklashRange,
       [](const Settings& s) -> int { return s.mainGuide.decBacklash; },
       {slewEdit(true, &D::decBacklash)}},
      {"guiderDecGuideRate", settings::kGuideRateRange,
       [](const Settings& s) -> int { return s.guiderGuide.decRate; },
       {slewEdit(false, &D::decRate), guiderEdit(C::Dec)}},
      {"guiderRaBacklash", settings::kRaBacklashRange,
       [](const Settings& s) -> int { return s.guiderGuide.raBacklash; },
       {slewEdit(false, &D::raBacklash), guiderEdit(C::RaBacklash)}},
      {"guiderDecBacklash", settings::kDecBacklashRange,
       [](const Settings& s) -> int { return s.guiderGuide.decBacklash; },
       {slewEdit(false, &D::decBacklash), guiderEdit(C::DecBacklash)}},
      {"guiderRaAngle", settings::kGuiderRaAngleRange,
       [](const Settings& s) -> int { return s.guiderRaAngle; }, {guiderEdit(C::RaAngle)}},
      {"aoDefaultGainLeftRight", settings::kAoGainRange,
       [](const Settings& s) -> int { return s.aoDefaultGainLeftRight; }, {aoGainEdit(1)}},
      {"userStretchPower", settings::kUserStretchPowerRange,
       [](const Settings& s) -> int { return s.userStretchPower; }, {autoProcessingEdit(0)}, true},
      {"autoUnsharpDiameter", settings::kUnsharpDiameterRange,
       [](const Settings& s) -> int { return s.autoUnsharpDiameter; }, {autoProcessingEdit(1)},
       true},
      {"autoUnsharpPower", settings::kUnsharpPowerRange,
       [](const Settings& s) -> int { return s.autoUnsharpPower; }, {autoProcessingEdit(2)}},
      // clang-format on
  };
  test::ProgramFixture f;
  for (const auto& row : rows) {
    std::vector<Edit> editors = row.dialogs;
    if (!row.fileTakesMore)
      editors.push_back([name = row.name](test::ProgramFixture& fx, const std::string& text) {
        settings::setSettingsField(name, text, fx.program.settings, fx.program.fits);
      });
    const int middle = (row.range.lo + row.range.hi) / 2;
    for (std::size_t e = 0; e < editors.size(); ++e) {
      for (const int value : {row.range.lo - 1, row.range.lo, row.range.hi, row.range.hi + 1}) {
        SCOPED_TRACE(std::string(row.name) + " editor " + std::to_string(e) + " value " +
                     std::to_string(value));
        f.program.settings = Settings();
        ASSERT_EQ(settings::setSettingsField(row.name, std::to_string(middle), f.program.settings,
                                             f.program.fits),
                  "");
        editors[e](f, std::to_string(value));
        if (!row.range.contains(value)) {
          EXPECT_EQ(row.read(f.program.settings), middle);
          continue;
        }
        ASSERT_EQ(row.read(f.program.settings), value);
        Settings loaded;
        image::FitsHeaderInfo fits;
        const auto decoded = settings::decodeSettings(
            settings::encodeSettings(f.program.settings, f.program.fits), loaded, fits);
        EXPECT_FALSE(decoded.needsRepair);
        EXPECT_EQ(row.read(loaded), value);
      }
    }
  }
}

}  // namespace
}  // namespace nvk::scope
