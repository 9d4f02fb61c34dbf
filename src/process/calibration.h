#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "process/program.h"

namespace nvk::process {

// --- the arithmetic, on planes ---
// image := image - dark where the dark is below the image, else 0.
void subtractDarkSamples(std::span<std::uint16_t> image, std::span<const std::uint16_t> dark);
// The flat mean of Apply Flat Field: the sum of rows 10..19, columns 5..504 (5000 samples) x
// 0.0002.
double flatFieldMean(std::span<const std::uint16_t> flat, int width);
// The flat mean of the exposure sequence's automatic flat: rows 10..19, columns 5..604, / 6000.
double automaticFlatMean(std::span<const std::uint16_t> flat, int width);
// Columns 3 .. width - 1 of `row`: v / f x mean (f = 0: the mean where v = 0, else v), 65535
// from 65535 up, else truncated.
void flatCorrectRow(std::uint16_t* image, const std::uint16_t* flat, double mean, int row,
                    int width);

struct HotPixelScan {
  std::vector<std::int32_t> entries;  // as found; one more than 99,000 when there were too many
  bool tooMany = false;
};
// Lists every sample >= `threshold` in rows 5 (15 in a labelled frame) .. height - 6 and
// columns 5 .. width - 6, row by row; stops after the 99,001st.
HotPixelScan scanHotPixels(std::span<const std::uint16_t> frame, int width, int height,
                           int threshold);

// --- the commands ---
// "Subtract Image (Dark Frame)" with a chosen file: loads it (stops after the loader's message
// on failure), then subtracts it from RawImage with undo copy, history line and redraw.
bool SubtractDarkFrame(Program& program, const std::filesystem::path& darkFile);
// "Apply Flat Field" with a chosen file: loads it (a file without the flat marker is refused),
// then divides RawImage by it ("FLAT FIELD PROGRESS").
bool ApplyFlatField(Program& program, const std::filesystem::path& flatFile);
// The menu commands: ask for the file first; Cancel ends the command.
void SubtractDarkFrameCommand(Program& program);
void ApplyFlatFieldCommand(Program& program);
// The steps after the load, on the frame in RawImage2.
void subtractLoadedDarkFrame(Program& program);
void applyLoadedFlatField(Program& program);
// The exposure sequence's automatic flat with the flat in `flat`: rows 2 .. height - 1.
void applyAutomaticFlat(Program& program, std::span<const std::uint16_t> flat);

// Scans RawImage with `threshold` into the program's hot pixel map and marks it loaded. With
// more than 99,000 hot pixels it says "Too many hot pixels found - ensure you have a darkframe
// loaded." and keeps the previous map. Returns the number found.
std::size_t ScanHotPixels(Program& program, int threshold);

// "Apply Hot Pixel Map" (command 32110): each listed sample becomes the mean of its four
// neighbours, in map order. An entry whose sample or a neighbour lies outside the current
// frame is skipped (one message afterwards says how many); entries in the band of a labelled
// image are left alone. No history line.
void ApplyHotPixelMap(Program& program);

// Where "Save Pixel Map" writes the map: the autosave folder, the map's name and ".HPM".
std::filesystem::path hotPixelMapPath(const Program& program);
// Writes the program's map there (after deleting testdata.csv of the autosave folder, as the
// program always has); shows "Failed to create Hot Pixel Map file" or "Hot Pixel Map file write
// failed" on failure.
bool SaveHotPixelMap(Program& program);

}  // namespace nvk::process
