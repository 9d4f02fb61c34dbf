#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/bayer_pattern.h"
#include "image/fits_header_info.h"
#include "image/image_state.h"

namespace nvk::files {

inline constexpr std::size_t kCardBytes = 80;
inline constexpr int kHeaderCards = 72;
inline constexpr std::size_t kHeaderBytes = kCardBytes * kHeaderCards;  // 5760, two records
inline constexpr std::size_t kFitsRecordBytes = 2880;

using FitsCard = std::array<char, kCardBytes>;

// The data a FITS file of this program carries.
enum class FitsShape {
  Mono,    // RawImage
  Colour,  // RawImage, then ColourImage red, green, blue (four planes, SIMPLE = F)
  Rgb,     // RgbOutputImage red, green, blue
};

// Everything the header's layout depends on.
struct FitsHeaderLayout {
  FitsShape shape = FitsShape::Mono;
  bool eightBit = false;
  bool binned = false;
  image::ReadoutMode readoutMode = image::ReadoutMode::HighResolution;
  char modeCode = '1';
  // The standard keywords after FILTER (the preference fits.standard_keywords): the binning,
  // pixel size, frame type, sensor temperatures, ISO times and a raw frame's Bayer pattern.
  // Off, the header is byte for byte the one older versions wrote.
  bool standardKeywords = false;
  // The colour-filter layout of a raw mosaic frame; none for a binned or colour-converted one.
  std::optional<image::BayerLayout> bayer = std::nullopt;
  // A colour file saved while the window showed its planes through the automatic colour stretch
  // (a new colour image before any balance): the file says so (with the standard keywords), and
  // opening it shows the planes that way again instead of their dark high bytes.
  bool autoColourDisplay = false;
};

// The camera's pixels are 7.8 micrometres square.
inline constexpr double kSensorPixelMicrometres = 7.8;
// Sensor pixels per saved sample along each axis: every binned readout is resampled into the
// 1520 x 1012 grid, so its samples lie two sensor pixels apart; a sub-frame keeps the sensor's.
int savedBinning(const FitsHeaderLayout& layout);

// Empties the per-image header fields and the processing history, as opening a file does.
// origin, the pixel size and the UT offset keep their values.
void resetFitsHeaderInfo(image::FitsHeaderInfo& info, image::ProcessingHistory& history);

// --- card formation ---
// A card of `text` filled with spaces to 80 bytes (cut at 80).
FitsCard fixedCard(std::string_view text);
// "OBJECT  = '" + value + "'": the value as it is, closed by an apostrophe directly after it.
FitsCard stringCard(std::string_view prefix, std::string_view value);
// "PIXWIDTH=" + "    %11.10E"; 0 for a value with no FITS form (NAN, INF, beyond a double).
FitsCard numberCard(std::string_view keyword, double value);
// One of the four HISTORY or COMMENT cards: the 68-character segment `index` (0..3) of `text`,
// padded with spaces, and an apostrophe in column 80.
FitsCard textCard(std::string_view prefix, std::string_view text, int index);
// A card in the standard fixed format: the keyword, "= ", then `value` (a string value, quoted
// by the caller, from column 11; any other value right-aligned in column 30) and, where it
// fits, " / " and the comment.
FitsCard keywordCard(std::string_view keyword, std::string_view value, std::string_view comment);
// The 23-character value of the readout card, closing apostrophe included.
std::string_view readoutCardText(const FitsHeaderLayout& layout);

// The whole 72-card header, from the one card table the reader also walks.
std::string buildFitsHeader(const FitsHeaderLayout& layout, const image::FitsHeaderInfo& info,
                            const image::ProcessingHistory& history);

// What the reader takes from a header of this program.
struct ParsedFitsHeader {
  bool binned = false;
  bool colour = false;  // four planes follow
  std::uint16_t sampleOffset = 32768;
  image::ReadoutMode readoutMode = image::ReadoutMode::HighResolution;
  char modeCode = '1';
  image::FitsHeaderInfo info;
  image::ProcessingHistory history;
  std::string bayerPattern;        // BAYERPAT, when the header has it
  bool autoColourDisplay = false;  // a colour file shown through the automatic colour stretch
};

// Reads a 5760-byte header by the card table the writer walks; nullopt when the file was not
// written by this program: a shape card (BITPIX, NAXISn, the readout card) other than one the
// writer makes, eight-bit samples, or no END card. A number with no FITS form is taken as 0.
// `fileSize` decides between the mono and colour shapes. `base` supplies the fields the header
// does not carry (the UT offset).
std::optional<ParsedFitsHeader> parseFitsHeader(std::string_view header, std::int64_t fileSize,
                                                const image::FitsHeaderInfo& base);

}  // namespace nvk::files
