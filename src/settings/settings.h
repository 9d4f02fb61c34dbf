#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace nvk::settings {

// The letters sent to the mount for each direction key; a swap exchanges a pair.
struct DirectionLetters {
  char east = 'e';
  char west = 'w';
  char north = 'n';
  char south = 's';
  bool operator==(const DirectionLetters&) const = default;
};

// A pair of direction letters (AO up/down, AO left/right, mount bumps).
struct LetterPair {
  char first;
  char second;
  bool operator==(const LetterPair&) const = default;
};

// How corrections and manual moves reach the mount.
enum class GuideOutputMode : char { None = 'n', Lx200 = 'l', AutoguiderSocket = 'b' };

// Guiding target of the guider camera: the telescope drives or the AO unit.
enum class GuidingMode : char { Telescope = 'T', AoUnit = 'A' };

enum class WindowBackground : char { LightGrey = 'l', Grey = 'g', Red = 'r' };

// Guide pulse parameters of one camera (main camera or guide head): the rates divide an error
// in pixels into a pulse length, backlash is added on a change of direction, hysteresis
// (in units of 100 ms) is subtracted from every pulse.
struct GuideParameters {
  std::int16_t raRate = 10;   // pixels per second
  std::int16_t decRate = 10;  // pixels per second
  std::int16_t raBacklash = 0;
  std::int16_t decBacklash = 0;
  std::int16_t raHysteresis = 0;
  std::int16_t decHysteresis = 0;
  bool operator==(const GuideParameters&) const = default;
};

// The program-wide settings. Everything the settings file stores lives here or in
// image::FitsHeaderInfo (the observer's FITS texts, the optics and the UT offset); the fields
// marked "session" are kept for the run only.
struct Settings {
  static constexpr int kMaxFilters = 8;
  static constexpr int kDefaultFilterCount = 7;

  std::uint16_t autosaveCounter = 0;    // last number used by quick save
  std::int16_t telescopePortIndex = 0;  // camera serial port for the mount: 0 = Com1, 1 = Com2
  std::int16_t reserved4 = 0;
  std::int16_t guideStarMaskRadius = 9;  // 7, 8, 9, 11, 13 or 15 pixels
  std::int16_t reserved6 = 0;
  WindowBackground windowBackground = WindowBackground::LightGrey;
  bool focusOneSecondDelay = false;
  GuideParameters mainGuide;
  bool ignoreDriftBelowAccuracy = false;
  GuideOutputMode guideOutputMode = GuideOutputMode::None;
  bool reservedFlag15 = false;
  DirectionLetters directionLetters;

  // Automatic processing after an exposure or a colour synthesis.
  bool autoWeakStretch = false;
  bool autoStrongStretch = false;
  bool autoUserStretch = false;
  std::int16_t userStretchPower = 4;
  bool autoHighPassLowPower = false;
  bool autoUnsharpMask = false;
  std::int16_t autoUnsharpDiameter = 3;
  std::int16_t autoUnsharpPower = 1;
  bool autoRemoveBackground = false;
  bool reservedFlag28 = false;

  bool unsignedFits = false;  // always written 'n', always read as false
  bool showInterfaceDetails = false;
  // As the user typed it; empty means the default autosave folder.
  std::string autosaveDirectory;

  GuideParameters guiderGuide;
  bool ignoreBacklash = false;
  bool filterWheelOnSerialPort = false;
  std::int16_t guiderRaAngle = 0;
  bool ignoreRaAngle = false;
  std::int16_t filterCount = kDefaultFilterCount;
  std::array<std::string, kMaxFilters> filterNames;  // up to 8 characters each

  // Colour synthesis.
  bool lineOffset = true;
  bool pixelOffset = false;
  bool antiAliasAfterSynthesis = true;
  bool irFilterUsed = false;
  std::int16_t colourSaturation = 3;  // 1..9
  bool colourSmoothing = true;

  bool ignoreCameraVidPid = false;

  // AO unit.
  std::int16_t aoDefaultGainUpDown = 10;
  std::int16_t aoDefaultGainLeftRight = 10;
  std::int16_t aoLatestGainUpDown = 10;
  std::int16_t aoLatestGainLeftRight = 10;
  bool aoPulseMode = false;
  std::int16_t serialRoute = 3;  // 1 "Ser 1", 0 "Ser 2", 3 "PC "
  GuidingMode guidingMode = GuidingMode::Telescope;
  LetterPair aoUpDownLetters{'n', 's'};
  LetterPair aoLeftRightLetters{'e', 'w'};
  bool aoAvailable = false;
  bool aoHalfRate = false;
  std::int16_t pcComPort = 0;  // COM number minus 1, 0..6
  LetterPair mountNorthSouthLetters{'N', 'S'};
  LetterPair mountEastWestLetters{'T', 'W'};

  // Guide head and guiding.
  bool guideHeadBin2x2 = false;
  bool guideHeadClear = false;
  bool noNorthCorrections = false;
  bool noSouthCorrections = false;
  std::int16_t guideAccuracy = 1000;  // thousandths of a pixel: 1000, 800, 500 or 200

  bool tiff16Bit = false;
  bool useUsbFilterWheel = false;
  bool forceMaxCooling = false;
  // A FITS file must fill whole 2880-byte records to be readable by other software, so a fresh
  // settings file starts with padding on; a file that says 'n' keeps it off.
  bool padFits = true;

  // --- session settings (not in the file) ---
  int slewTimeFactor = 1;  // "Double Motor Slew times": 1 or 2
  bool bypassHelmixInterface = false;
  int mainTrainingSeconds = 2;    // 1, 2, 4 or 8
  int guiderTrainingSeconds = 2;  // 1, 2, 4 or 8
};

}  // namespace nvk::settings
