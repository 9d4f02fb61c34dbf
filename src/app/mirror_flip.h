#pragma once

#include <cstdint>
#include <span>

#include "app/program.h"
#include "image/plane_pool.h"

namespace nvk::app {

// Rows at the top of a labelled image that mirror and flip leave in place.
inline constexpr int kLabelBandRows = 10;

// A labelled image carries 17 in its first six samples: samples 4 and 5 add up to 34.
bool isLabelledImage(std::span<const std::uint16_t> raw);

// Reverses the samples of every row from `firstRow` down: column c takes column width - 1 - c.
void mirrorRows(image::Plane plane, int width, int height, int firstRow);
// Reverses the order of the rows from `firstRow` to the last: row firstRow + k takes row
// height - 1 - k.
void flipRows(image::Plane plane, int width, int height, int firstRow);

// "Mirror Image" and "Flip Image": the raw plane and, when the image is colour converted, the
// three colour planes, with the busy cursor; a labelled image keeps its top ten rows.
void MirrorImage(Program& program);
void FlipImage(Program& program);

}  // namespace nvk::app
