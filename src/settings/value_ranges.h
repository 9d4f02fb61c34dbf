#pragma once

namespace nvk::settings {

// The whole numbers a setting takes. Each value edited in more than one place has one range
// here, used by the settings file (its load check and `settings set`) and by every dialog that
// edits it, so that a value a dialog takes is one the next start-up keeps.
struct ValueRange {
  int lo;
  int hi;
  constexpr bool contains(long v) const { return v >= lo && v <= hi; }
  constexpr int clamp(int v) const { return v < lo ? lo : v > hi ? hi : v; }
};

// A guide rate divides every correction, so it is at least 1 pixel per second.
inline constexpr ValueRange kGuideRateRange{1, 49};
// A load refuses more RA backlash and rewrites the file with the value it had.
inline constexpr ValueRange kRaBacklashRange{0, 30};
inline constexpr ValueRange kDecBacklashRange{0, 49};
// Hysteresis, in units of 100 ms: editors cap a larger value at 20.
inline constexpr ValueRange kHysteresisRange{0, 20};
inline constexpr ValueRange kGuiderRaAngleRange{-360, 360};  // degrees
// AO gains in steps per guide pixel; a gain of 0 would never move the unit.
inline constexpr ValueRange kAoGainRange{1, 49};
// The automatic processing numbers (auto-processing choices and colour synthesis dialogs).
inline constexpr ValueRange kUserStretchPowerRange{2, 29};
inline constexpr ValueRange kUnsharpDiameterRange{2, 6};
// The settings file (its load check and `settings set`) takes a little more than those dialogs
// offer, as it always has: a stored value the dialogs never write still loads as it was, and
// the processing clamps it.
inline constexpr ValueRange kUserStretchPowerFileRange{1, 36};
inline constexpr ValueRange kUnsharpDiameterFileRange{1, 6};
inline constexpr ValueRange kUnsharpPowerRange{1, 6};

}  // namespace nvk::settings
