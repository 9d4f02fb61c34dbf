#pragma once

#include "app/command_map.h"

// The handlers of the measurement commands (histogram, plots, photometry, show values and
// merging) and the routing of the picks they take on the picture.
namespace nvk::app::measure_commands {

// "Histogram" (6): the window "Histogram of Current Image" of the picture's display values.
void histogram(CommandContext& c);
// "Photometry of Image" (14): after the refusals and the aperture dialog, left-button picks
// measure stars into the photometry window's list until that window is closed.
void photometry(CommandContext& c);
// "3-D Intensity Plot" (15): the wireframe around the last measured or plotted point.
void intensityPlot3d(CommandContext& c);
// "Intensity Plot of Current Row" (16): after the refusals, the next left-button pick chooses
// the row to plot.
void rowPlot(CommandContext& c);
// "Show Values" (8124): toggles the live read-out under the mouse (check mark).
void showValues(CommandContext& c);
bool showValuesChecked(const CommandContext& c);
// "Merge two Images together" (111): after the refusals, merging mode: a right-button pick on
// the star of this image, the second image opened, a right-button pick on the same star there.
void merge(CommandContext& c);

// A button release at display pixel (x, y) while photometry, the row plot or merging takes
// picks: photometry and the row plot take the left button, merging the right. Returns true when
// the click was the tool's (whatever came of it).
bool pick(CommandContext& c, int displayX, int displayY, bool rightButton);

// Another pick mode chosen ("Pick Sub-Frame", "Focus Frame Centre", "Pick Guide Star"): a
// measurement tool still taking picks is ended first (endTool), so its picks stop with it.
void choosePickMode(CommandContext& c, PickMode mode);

// The tool whose window the user closed (photometry list) or that was given up: leaves its
// mode; a merge in progress puts the first image back.
void endTool(CommandContext& c);

}  // namespace nvk::app::measure_commands
