#include "app/command_map.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "camera/recording_transport.h"
#include "fake_window.h"
#include "image/sub_frame_dialog.h"
#include "settings/defaults_dialog.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

struct CommandMapTest : ::testing::Test {
  nvk::test::ProgramFixture f;
  test::FakeWindow window;
  CommandContext context{f.program, window};
};

// The keyboard table as the program's users know it.
TEST(CommandTableTest, AcceleratorsOfTheProgram) {
  struct Row {
    int id;
    const char* text;
    const char* accelerator;
  };
  const Row rows[] = {
      {24332, "&Open...", "Ctrl+O"},
      {24333, "&Save...", "Ctrl+S"},
      {24335, "S&ave as FITS file...", "Ctrl+F"},
      {24338, "Save as &RGB Fits file", "Ctrl+R"},
      {24336, "&Quick Save as FITS...", "Ctrl+Q"},
      {24337, "Load next &Autosaved File", "Ctrl+A"},
      {12, "&Camera Interface", "Ctrl+Z"},
      {27, "AutoGuider Camera ", "Ctrl+G"},
      {21, "Pic&k Guide Star", "Ctrl+K"},
      {810, "Undo &Last Colour Filter", "Ctrl+V"},
      {17999, "&Copy", "Shift+Ins"},
      {305, "Bin High Res Display", "Ctrl+W"},
      {8115, "&Synthesize Colour Image", "Ctrl+C"},
      {1, "&Normal Stretch", "Ctrl+N"},
      {120, "Remove &Background", "Ctrl+B"},
      {117, "Non-&Linear Stretch", "Ctrl+L"},
      {106, "&Unsharp masking", "Ctrl+U"},
      {110, "&Subtract Image (Dark Frame)", "Ctrl+D"},
      {111, "Merge two Images &together", "Ctrl+M"},
  };
  for (const Row& r : rows) {
    const CommandInfo* c = findCommand(r.id);
    ASSERT_NE(c, nullptr) << r.id;
    EXPECT_EQ(c->text, r.text) << r.id;
    EXPECT_EQ(c->accelerator, r.accelerator) << r.id;
    EXPECT_NE(c->menu, Menu::ToolBarOnly) << r.id;
  }
  // Ctrl+B is claimed by two commands; Remove Background has it and the colour balance entry
  // tells the user.
  EXPECT_EQ(findCommand(8116)->accelerator, "");
  EXPECT_NE(findCommand(8116)->text.find("Ctrl+B is Remove Background"), std::string_view::npos);
}

TEST(CommandTableTest, IdsAndAcceleratorsAreUnique) {
  std::set<int> ids;
  std::map<std::string_view, int> accelerators;
  for (const CommandInfo& c : commandTable()) {
    EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
    if (c.accelerator.empty()) continue;
    auto [it, fresh] = accelerators.emplace(c.accelerator, c.id);
    EXPECT_TRUE(fresh) << c.accelerator << " on " << it->second << " and " << c.id;
  }
}

TEST_F(CommandMapTest, UnknownAndUnlandedCommandsDoNothing) {
  EXPECT_FALSE(dispatchCommand(context, 4242));
  for (const CommandInfo& c : commandTable()) {
    if (!c.landed()) {
      EXPECT_FALSE(isCommandEnabled(c, context)) << c.id;
      EXPECT_FALSE(dispatchCommand(context, c.id)) << c.id;
    }
  }
  EXPECT_TRUE(f.ui.messages().empty());
}

// The window's own commands reach the window; Copy and Print only with a picture on screen.
TEST_F(CommandMapTest, WindowCommandsReachTheWindow) {
  const struct {
    int id;
    bool needsPicture;
    int test::FakeWindow::*count;
  } rows[] = {{cmd::kExit, false, &test::FakeWindow::closes},
              {cmd::kAbout, false, &test::FakeWindow::abouts},
              {114, false, &test::FakeWindow::printSetups},
              {cmd::kCopy, true, &test::FakeWindow::copies},
              {116, true, &test::FakeWindow::prints}};
  for (const auto& r : rows) {
    window.picture = false;
    EXPECT_EQ(dispatchCommand(context, r.id), !r.needsPicture) << r.id;
    window.picture = true;
    EXPECT_TRUE(dispatchCommand(context, r.id)) << r.id;
    EXPECT_EQ(window.*r.count, r.needsPicture ? 1 : 2) << r.id;
  }
}

TEST_F(CommandMapTest, TelescopeCommandsNeedADriveMethod) {
  // A fake handler stands in for the telescope subsystem: only the enabling rule is tested.
  CommandInfo telescope = *findCommand(cmd::kTelescopeControl);
  telescope.handler = [](CommandContext&) {};
  for (auto mode : {settings::GuideOutputMode::None, settings::GuideOutputMode::Lx200,
                    settings::GuideOutputMode::AutoguiderSocket}) {
    f.program.settings.guideOutputMode = mode;
    EXPECT_EQ(isCommandEnabled(telescope, context), mode != settings::GuideOutputMode::None);
  }
}

TEST_F(CommandMapTest, DisplayTogglesFlipTheirFlagAndCheckMark) {
  struct Row {
    int id;
    bool image::DisplayOptions::*flag;
  };
  const Row rows[] = {
      {cmd::kFitToWindow, &image::DisplayOptions::fitToWindow},
      {cmd::kFalseColourPalette, &image::DisplayOptions::falseColourPalette},
      {cmd::kAutoContrast, &image::DisplayOptions::autoContrast},
  };
  for (const Row& r : rows) {
    const CommandInfo& c = *findCommand(r.id);
    EXPECT_FALSE(isCommandChecked(c, context)) << r.id;
    ASSERT_TRUE(dispatchCommand(context, r.id));
    EXPECT_TRUE(f.program.displayOptions.*r.flag) << r.id;
    EXPECT_TRUE(isCommandChecked(c, context)) << r.id;
    ASSERT_TRUE(dispatchCommand(context, r.id));
    EXPECT_FALSE(f.program.displayOptions.*r.flag) << r.id;
  }
  EXPECT_EQ(window.redraws.size(), 6u);
  // Max Stretch Toggle switches the display stretch of the processing state.
  ASSERT_TRUE(dispatchCommand(context, cmd::kMaxStretchToggle));
  EXPECT_TRUE(f.program.displayOptions.maxStretch);
  EXPECT_TRUE(isCommandChecked(*findCommand(cmd::kMaxStretchToggle), context));
}

TEST_F(CommandMapTest, HalfSizeDisplayHalvesTheDisplaySize) {
  const auto display = [&] {
    return std::pair{f.program.geometry.displayWidth, f.program.geometry.displayHeight};
  };
  ASSERT_TRUE(dispatchCommand(context, cmd::kHalfSizeDisplay));
  EXPECT_EQ(display(), std::pair(1520, 1012));
  EXPECT_EQ(window.redraws, std::vector<bool>{true});
  ASSERT_TRUE(dispatchCommand(context, cmd::kHalfSizeDisplay));
  EXPECT_EQ(display(), std::pair(3040, 2024));
}

TEST_F(CommandMapTest, MaxStretchPairPressesOneButtonAtATime) {
  const CommandInfo& on = *findCommand(cmd::kMaxStretchOn);
  const CommandInfo& off = *findCommand(cmd::kMaxStretchOff);
  EXPECT_TRUE(isCommandChecked(off, context));
  ASSERT_TRUE(dispatchCommand(context, cmd::kMaxStretchOn));
  EXPECT_TRUE(isCommandChecked(on, context));
  EXPECT_FALSE(isCommandChecked(off, context));
  // Pressing the pressed button again changes nothing.
  ASSERT_TRUE(dispatchCommand(context, cmd::kMaxStretchOn));
  EXPECT_TRUE(f.program.displayOptions.maxStretch);
  ASSERT_TRUE(dispatchCommand(context, cmd::kMaxStretchOff));
  EXPECT_FALSE(f.program.displayOptions.maxStretch);
}

TEST_F(CommandMapTest, HelpReportsAViewerThatDoesNotStart) {
  ASSERT_TRUE(dispatchCommand(context, cmd::kHelp));
  EXPECT_TRUE(f.ui.messages().empty());
  window.helpStarts = false;
  ASSERT_TRUE(dispatchCommand(context, cmd::kHelp));
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(f.ui.messages()[0].text, "WinHelp failed!");
}

TEST_F(CommandMapTest, DefaultCentres) {
  auto& st = f.program.state;
  st.subFrameCentreX = 10;
  st.subFrameCentreY = 20;
  ASSERT_TRUE(dispatchCommand(context, cmd::kDefaultSubFrameCentre));
  EXPECT_EQ(std::pair(st.subFrameCentreX, st.subFrameCentreY), std::pair(1520, 1012));
  ASSERT_TRUE(dispatchCommand(context, cmd::kDefaultFocusCentre));
  EXPECT_EQ(std::pair(st.focusLeft, st.focusTop), std::pair(1456, 948));
  st.binned = true;
  ASSERT_TRUE(dispatchCommand(context, cmd::kDefaultFocusCentre));
  EXPECT_EQ(std::pair(st.focusLeft, st.focusTop), std::pair(1488, 980));
}

TEST_F(CommandMapTest, SubFrameSelectionShowsItsDialog) {
  f.ui.onDialog("TSubFrameDialog", [](port::DialogModel& m) {
    dynamic_cast<image::SubFrameDialog&>(m).select(image::SubFrameDialog::kQuarterFrame);
    return port::DialogResult::Ok;
  });
  ASSERT_TRUE(dispatchCommand(context, cmd::kSubFrameSelection));
  EXPECT_EQ(f.program.state.subFrameFraction, 4);
  EXPECT_EQ(f.program.state.subFrameWidth, 760);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
}

// The defaults dialog knows whether a USB wheel was found (its check box only takes effect
// then), and "Force Maximum Cooling" reaches a connected camera's cooler at once.
TEST_F(CommandMapTest, ProgramDefaultsReachTheFilterWheelAndTheCooler) {
  auto transport = std::make_unique<nvk::test::RecordingCameraTransport>();
  auto& camera = *transport;
  auto& devices = f.program.devices;
  devices.camera = std::move(transport);
  devices.cameraConnected = true;
  devices.cooler.setPointC = 10;
  // The user clicks "Use USB Filterwheel " once and "Force Maximum Cooling" on, then off.
  f.ui.onDialog("TDefaultsDialog", [](port::DialogModel& m) {
    auto& d = dynamic_cast<settings::DefaultsDialog&>(m);
    d.toggleUseUsbFilterWheel();
    d.toggleForceMaximumCooling();
    d.toggleForceMaximumCooling();
    return port::DialogResult::Ok;
  });
  devices.usbFilterWheelPresent = false;
  ASSERT_TRUE(dispatchCommand(context, cmd::kProgramDefaults));
  EXPECT_FALSE(f.program.settings.useUsbFilterWheel);
  EXPECT_EQ(devices.cooler.setPointC, -40);
  // Turning it on sent cooler control (30) with the set-point code 2330 (-40 C in tenths of a
  // kelvin), cooler on; turning it off sent nothing.
  ASSERT_EQ(camera.writes.size(), 1u);
  EXPECT_EQ(camera.writes[0], (std::vector<std::uint8_t>{0x40, 30, 0x1A, 0x09, 1, 0, 0, 0}));

  // With a wheel found its box takes effect; without a camera the set-point still changes, for
  // the next connection, and nothing is sent.
  f.ui.onDialog("TDefaultsDialog", [](port::DialogModel& m) {
    auto& d = dynamic_cast<settings::DefaultsDialog&>(m);
    d.toggleUseUsbFilterWheel();
    d.toggleForceMaximumCooling();
    return port::DialogResult::Ok;
  });
  devices.usbFilterWheelPresent = true;
  devices.cameraConnected = false;
  devices.cooler.setPointC = 0;
  ASSERT_TRUE(dispatchCommand(context, cmd::kProgramDefaults));
  EXPECT_TRUE(f.program.settings.useUsbFilterWheel);
  EXPECT_TRUE(f.program.settings.forceMaxCooling);
  EXPECT_EQ(devices.cooler.setPointC, -40);
  EXPECT_EQ(camera.writes.size(), 1u);
  EXPECT_EQ(window.settingsChanges, 2);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
}

}  // namespace
}  // namespace nvk::app
