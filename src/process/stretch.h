#pragma once

#include <cstdint>
#include <span>

#include "image/process_state.h"
#include "process/program.h"

namespace nvk::process {

// --- building stretch tables (each formula is evaluated once per entry, never per sample) ---
// Normal Stretch with black `black` and white `white` in display units (black < white).
void fillNormalTable(image::StretchTable& table, int black, int white);
// Power Law Stretch with the power in tenths (1..30).
void fillPowerTable(image::StretchTable& table, int powerTenths);
void fillSineTable(image::StretchTable& table);
void fillLogTable(image::StretchTable& table);
void fillAntilogTable(image::StretchTable& table);
void fillInvertTable(image::StretchTable& table);
void fillNonLinearTable(image::StretchTable& table, double power);
// The Remove Background table for the background mode `mode` (> 2); returns its black point B.
int fillRemoveBackgroundTable(image::StretchTable& table, int mode);

// Replaces every sample v of `samples` by 2 * table[v / 2].
void applyTableToSamples(std::span<std::uint16_t> samples, const image::StretchTable& table);

// Applies the program's stretch table to the main frame ("CONTRAST STRETCH"): undo copy, the
// top ten rows unless the frame is labelled, the rest in 20 parts with progress; redraws when
// asked.
void applyStretchTable(Program& program, bool redraw);

// Counts the high bytes of the band of the main frame that starts half-way through the first
// ten rows: 19 ten-row blocks at full resolution, 9 in binned geometry.
image::BackgroundEstimate estimateBackground(std::span<const std::uint16_t> frame,
                                             const image::ImageGeometry& geometry);
// Estimates the background of the main frame into the program's state.
void EstimateBackground(Program& program);

// --- the Contrast menu ---
// Each stretch applies its table with redraw and adds its history line; those with a
// condition do nothing when it fails. They return whether the frame was changed.
bool NormalStretch(Program& program, int black, int white);
bool PowerLawStretch(Program& program, int powerTenths);
void SineStretch(Program& program);
void LogStretch(Program& program);
void AntilogStretch(Program& program);
void InvertImage(Program& program);
void NonLinearStretch(Program& program, int power);
// Remove Background from the last background estimate: nothing when its mode is 2 or less.
// Builds the table, sets the Normal Stretch's black level and adds the history line; applies
// the table with redraw only when `apply` is set (otherwise the caller applies it).
bool RemoveBackground(Program& program, bool apply);

// The automatic processing after an exposure or a colour synthesis, with the settings' choices,
// then a redraw.
void AutoProcess(Program& program);
// The same processing without the redraw, for a caller that redraws once it has finished the
// rest of its work (the picture is built once, not once before and once after).
void autoProcessQuiet(Program& program);

}  // namespace nvk::process
