#pragma once

#include <array>
#include <string>

#include "settings/settings.h"

namespace nvk::process {

// The automatic-processing choices kept in the settings, offered both by "Auto-Processing
// Choices" and by the colour synthesis dialog: one stretch of four, the filters, and three numbers.
enum class AutoStretch { None, Weak, Strong, User };
AutoStretch autoStretch(const settings::Settings& settings);
void selectAutoStretch(settings::Settings& settings, AutoStretch stretch);

// The edit texts of the three numbers: the user stretch power (2..29), the unsharp mask diameter
// (2..6) and the unsharp mask power (1..6).
using AutoProcessingTexts = std::array<std::string, 3>;
AutoProcessingTexts autoProcessingTexts(const settings::Settings& settings);
// Stores each valid number, even when another is not; true when all three were valid.
bool storeAutoProcessingNumbers(const AutoProcessingTexts& texts, settings::Settings& settings);

}  // namespace nvk::process
