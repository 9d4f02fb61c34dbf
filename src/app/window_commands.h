#pragma once

#include "app/command_map.h"

// The handlers of the commands the main window does itself: display toggles, picks, mirror and
// flip, copy, help, about and exit.
namespace nvk::app::window_commands {

void exitProgram(CommandContext& c);
void copyPicture(CommandContext& c);
void help(CommandContext& c);
void about(CommandContext& c);

void toggleFitToWindow(CommandContext& c);
void toggleHalfSizeDisplay(CommandContext& c);
void toggleFalseColourPalette(CommandContext& c);
void toggleAutoContrast(CommandContext& c);
void toggleMaxStretch(CommandContext& c);
void maxStretchOn(CommandContext& c);
void maxStretchOff(CommandContext& c);
void maxStretchDo(CommandContext& c);

void mirror(CommandContext& c);
void flip(CommandContext& c);

void programDefaults(CommandContext& c);
void subFrameSelection(CommandContext& c);
void pickSubFrame(CommandContext& c);
void defaultSubFrameCentre(CommandContext& c);
void pickFocusCentre(CommandContext& c);
void defaultFocusCentre(CommandContext& c);

bool fitToWindowChecked(const CommandContext& c);
bool halfSizeDisplayChecked(const CommandContext& c);
bool falseColourPaletteChecked(const CommandContext& c);
bool autoContrastChecked(const CommandContext& c);
bool maxStretchChecked(const CommandContext& c);
bool maxStretchOffChecked(const CommandContext& c);

}  // namespace nvk::app::window_commands
