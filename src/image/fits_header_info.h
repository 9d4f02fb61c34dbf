#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nvk::image {

// Where the mount said it pointed: right ascension in hours (0..24), declination in degrees, in
// the mount's own frame (an LX200's and an INDI mount's frame of the date).
struct MountPointing {
  double raHours = 0.0;
  double decDegrees = 0.0;
};

// How the current image was taken, as far as the program knows it: the standard FITS keywords
// (IMAGETYP, CCD-TEMP, SET-TEMP, DATE-BEG, DATE-END, OBJCTRA/OBJCTDEC, the Bayer pattern) are
// written from it. The
// exposure sequence fills it for each frame; reading a FITS file restores it; opening any
// other file empties it.
struct FrameRecord {
  static constexpr std::string_view kLightFrame = "Light Frame";

  std::string imageType;                  // "Light Frame" ...; empty when not known
  std::optional<int> sensorTemperatureC;  // as the camera reported it after the readout
  std::optional<int> setPointC;           // while the cooler was regulating
  std::string startUtc;                   // "YYYY-MM-DDThh:mm:ss": the exposure began
  std::string endUtc;                     // and ended
  // Where the mount reported it pointed as the exposure began; none when no mount answered.
  std::optional<MountPointing> mountPointing;
  // The sensor column and row of the frame's first sample (a sub-frame's origin), which with
  // "Pixel Offset" and "Line Offset" gives the Bayer pattern of a raw frame.
  int originX = 0;
  int originY = 0;
};

// The FITS metadata of the current image. The settings file keeps the observer's texts and the
// optics between runs; opening an image file resets the per-image fields.
struct FitsHeaderInfo {
  static constexpr std::string_view kDefaultInstrument = "Norvane CCD";
  static constexpr std::string_view kDefaultFilter = "None";

  std::string object;
  std::string telescope;
  std::string instrument{kDefaultInstrument};
  std::string observer;
  std::string origin;
  std::string dateObs;      // up to 11 characters
  std::string timeObs;      // up to 9 characters
  std::string historyText;  // up to 254 characters, four HISTORY cards
  std::string commentText;  // up to 254 characters, four COMMENT cards
  std::string filter{kDefaultFilter};
  double exposureSeconds = 0.0;
  double pixelWidth = 0.0;
  double pixelHeight = 0.0;
  double focalLength = 0.0;        // inches
  double aperture = 0.0;           // square inches
  std::int16_t utOffsetHours = 0;  // UT = local time + utOffsetHours, -11..11
  FrameRecord frame;
};

// The list of processing steps applied to the current image: fifteen slots of up to 39
// characters. A full list drops new entries; undo empties the last used slot.
class ProcessingHistory {
 public:
  static constexpr int kSlots = 15;
  static constexpr std::size_t kMaxEntryLength = 39;

  // Writes `entry` (cut to 39 characters) into the first empty slot; false when all are used.
  bool add(std::string_view entry);
  // Empties the last used slot (nothing when the list is empty).
  void undoLast();
  void clear();
  // Sets one slot as a file holds it (cut to 39 characters); gaps are kept where they are.
  void setSlot(int index, std::string_view entry);

  const std::string& slot(int index) const { return slots_[static_cast<std::size_t>(index)]; }
  int usedCount() const;
  bool full() const { return usedCount() == kSlots; }

 private:
  std::array<std::string, kSlots> slots_;
};

}  // namespace nvk::image
