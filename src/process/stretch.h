#pragma once

#include <cstdint>
#include <span>

#include "core/program.h"
#include "process/process_state.h"

namespace nvk::process {

// --- building stretch tables (each formula is evaluated once per entry, never per sample) ---
// Normal Stretch with black `black` and white `white` in display units (black < white).
void fillNormalTable(StretchTable& table, int black, int white);
// Power Law Stretch with the power in tenths (1..30).
void fillPowerTable(StretchTable& table, int powerTenths);
void fillSineTable(StretchTable& table);
void fillLogTable(StretchTable& table);
void fillAntilogTable(StretchTable& table);
void fillInvertTable(StretchTable& table);
void fillNonLinearTable(StretchTable& table, double power);
// The Remove Background table for the background mode `mode` (> 2); returns its black point B.
int fillRemoveBackgroundTable(StretchTable& table, int mode);

// Replaces every sample v of `samples` by 2 * table[v / 2].
void applyTableToSamples(std::span<std::uint16_t> samples, const StretchTable& table);

// Applies the program's stretch table to the main frame ("CONTRAST STRETCH"): undo copy, the
// top ten rows unless the frame is labelled, the rest in 20 parts with progress; redraws when
// asked.
void applyStretchTable(core::Program& program, bool redraw);

// Counts the high bytes of the band of the main frame that starts half-way through the first
// ten rows: 19 ten-row blocks at full resolution, 9 in binned geometry.
BackgroundEstimate estimateBackground(std::span<const std::uint16_t> frame,
                                      const image::ImageGeometry& geometry);
// Estimates the background of the main frame into the program's state.
void EstimateBackground(core::Program& program);

// --- the Contrast menu ---
// Each stretch applies its table with redraw and adds its history line; those with a
// condition do nothing when it fails. They return whether the frame was changed.
bool NormalStretch(core::Program& program, int black, int white);
bool PowerLawStretch(core::Program& program, int powerTenths);
void SineStretch(core::Program& program);
void LogStretch(core::Program& program);
void AntilogStretch(core::Program& program);
void InvertImage(core::Program& program);
void NonLinearStretch(core::Program& program, int power);
// Remove Background from the last background estimate: nothing when its mode is 2 or less.
// Builds the table, sets the Normal Stretch's black level and adds the history line; applies
// the table with redraw only when `apply` is set (otherwise the caller applies it).
bool RemoveBackground(core::Program& program, bool apply);

// The automatic processing after an exposure or a colour synthesis, with the settings' choices.
void AutoProcess(core::Program& program);

}  // namespace nvk::process
