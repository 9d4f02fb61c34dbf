#include "app/window_commands.h"

#include "acquire/camera_dialog.h"
#include "app/measure_commands.h"
#include "app/mirror_flip.h"
#include "base/messages.h"
#include "image/sub_frame_dialog.h"
#include "settings/defaults_dialog.h"

namespace nvk::app::window_commands {

void exitProgram(CommandContext& c) {
  c.window.closeWindow();
}

void copyPicture(CommandContext& c) {
  c.window.copyPicture();
}

void help(CommandContext& c) {
  if (!c.window.openHelp()) c.program.ui().showMessage(base::kMessageTitle, "WinHelp failed!");
}

void about(CommandContext& c) {
  c.window.showAbout();
}

void toggleFitToWindow(CommandContext& c) {
  c.program.displayOptions.fitToWindow = !c.program.displayOptions.fitToWindow;
  c.window.redraw(true);
}

void toggleHalfSizeDisplay(CommandContext& c) {
  c.program.halfSizeDisplay = !c.program.halfSizeDisplay;
  c.program.applyGeometry();
  c.window.redraw(true);
}

void toggleFalseColourPalette(CommandContext& c) {
  c.program.displayOptions.falseColourPalette = !c.program.displayOptions.falseColourPalette;
  c.window.redraw(false);
}

void toggleAutoContrast(CommandContext& c) {
  c.program.displayOptions.autoContrast = !c.program.displayOptions.autoContrast;
  c.window.redraw(false);
}

void toggleMaxStretch(CommandContext& c) {
  c.program.displayOptions.maxStretch = !c.program.displayOptions.maxStretch;
  c.window.redraw(false);
}

void maxStretchOn(CommandContext& c) {
  if (!c.program.displayOptions.maxStretch) toggleMaxStretch(c);
}

void maxStretchOff(CommandContext& c) {
  if (c.program.displayOptions.maxStretch) toggleMaxStretch(c);
}

void maxStretchDo(CommandContext& c) {
  c.window.redraw(true);
}

void mirror(CommandContext& c) {
  MirrorImage(c.program);
}

void flip(CommandContext& c) {
  FlipImage(c.program);
}

void programDefaults(CommandContext& c) {
  Program& p = c.program;
  settings::DefaultsDialog dialog(p.settings, p.fits, p.paths(), p.comPorts, p.ui());
  dialog.onBackgroundChanged = [&c] { c.window.settingsChanged(); };
  dialog.setUsbFilterWheelFound(p.devices.usbFilterWheelPresent);
  dialog.attachPreferences(p.preferences);
  // Maximum cooling takes the set-point to its coldest; a connected camera with a cooler is
  // told at once.
  dialog.onForceMaximumCooling = [&p] {
    p.devices.cooler.setPointC = acquire::TNVDialog::kSetPointMin;
    if (p.camera().connected() && p.devices.cooler.available) p.camera().applyCooler();
  };
  dialog.open();
  // The dialog read the settings file: a drive offered for the session is shown chosen.
  p.applySessionDrive();
  if (p.ui().runDialog(dialog) == port::DialogResult::Ok) p.sessionDriveSaved();
  // The telescope commands and button follow the drive method chosen.
  c.window.settingsChanged();
}

void subFrameSelection(CommandContext& c) {
  image::SubFrameDialog dialog(c.program.state);
  c.program.ui().runDialog(dialog);
}

void pickSubFrame(CommandContext& c) {
  measure_commands::choosePickMode(c, PickMode::SubFrameCentre);
  c.window.redraw(false);
}

void defaultSubFrameCentre(CommandContext& c) {
  setDefaultSubFrameCentre(c.program);
}

void pickFocusCentre(CommandContext& c) {
  measure_commands::choosePickMode(c, PickMode::FocusCentre);
}

void defaultFocusCentre(CommandContext& c) {
  setDefaultFocusCentre(c.program);
}

bool fitToWindowChecked(const CommandContext& c) {
  return c.program.displayOptions.fitToWindow;
}
bool halfSizeDisplayChecked(const CommandContext& c) {
  return c.program.halfSizeDisplay;
}
bool falseColourPaletteChecked(const CommandContext& c) {
  return c.program.displayOptions.falseColourPalette;
}
bool autoContrastChecked(const CommandContext& c) {
  return c.program.displayOptions.autoContrast;
}
bool maxStretchChecked(const CommandContext& c) {
  return c.program.displayOptions.maxStretch;
}
bool maxStretchOffChecked(const CommandContext& c) {
  return !c.program.displayOptions.maxStretch;
}

}  // namespace nvk::app::window_commands
