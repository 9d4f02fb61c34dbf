#include "files/fits_header.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace nvk::files {
namespace {

constexpr std::size_t kTextSegment = 68;
constexpr std::size_t kMaxTextLength = 254;
constexpr std::size_t kMaxStringValue = 67;

void append(std::string& header, const FitsCard& card) {
  header.append(card.data(), card.size());
}

// The card's value from column 12 up to the first apostrophe (or the end of the card).
std::string stringValue(std::string_view card, std::size_t capacity) {
  std::string_view value = card.substr(11);
  value = value.substr(0, value.find('\''));
  return std::string(value.substr(0, capacity));
}

// A real after the '=' of a number card; 0 when none can be read.
double numberValue(std::string_view card) {
  const std::string text(card.substr(std::min<std::size_t>(card.find('=') + 1, card.size())));
  return std::strtod(text.c_str(), nullptr);
}

// Four HISTORY or COMMENT cards joined: the fixed 68 columns of each, at most 51 from the last
// (254 in all); the space padding the writer added is not part of the text.
std::string joinedText(std::string_view cards) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const auto segment = cards.substr(static_cast<std::size_t>(i) * kCardBytes + 11, kTextSegment);
    text.append(segment.substr(0, i == 3 ? kMaxTextLength - 3 * kTextSegment : kTextSegment));
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

void resetFitsHeaderInfo(image::FitsHeaderInfo& info, image::ProcessingHistory& history) {
  history.clear();
  info.object.clear();
  info.telescope.clear();
  info.observer.clear();
  info.dateObs.clear();
  info.timeObs.clear();
  info.historyText.clear();
  info.commentText.clear();
  info.instrument = image::FitsHeaderInfo::kDefaultInstrument;
  info.filter = image::FitsHeaderInfo::kDefaultFilter;
  info.exposureSeconds = 0.0;
  info.focalLength = 0.0;
  info.aperture = 0.0;
}

FitsCard fixedCard(std::string_view text) {
  FitsCard card;
  card.fill(' ');
  std::copy_n(text.begin(), std::min(text.size(), kCardBytes), card.begin());
  return card;
}

FitsCard stringCard(std::string_view prefix, std::string_view value) {
  // Room for the closing apostrophe in column 80 at the latest.
  const std::size_t room = kCardBytes - prefix.size() - 1;
  std::string text(prefix);
  text.append(value.substr(0, room));
  text.push_back('\'');
  return fixedCard(text);
}

FitsCard numberCard(std::string_view keyword, double value) {
  char number[64];
  std::snprintf(number, sizeof number, "    %11.10E", value);
  std::string text(keyword);
  text.append(number);
  return fixedCard(text);
}

FitsCard textCard(std::string_view prefix, std::string_view text, int index) {
  const std::size_t start = static_cast<std::size_t>(index) * kTextSegment;
  std::string segment(start < text.size() ? text.substr(start, kTextSegment) : std::string_view{});
  segment.resize(kTextSegment, ' ');
  return fixedCard(std::string(prefix) + segment + "'");
}

std::string_view readoutCardText(const FitsHeaderLayout& layout) {
  if (layout.binned) {
    return layout.readoutMode == image::ReadoutMode::SubFrame ? "Subframe Image        '"
                                                              : "Binned Image          '";
  }
  return layout.modeCode == '7' ? "Fullframe Image Binned'" : "Fullframe Image       '";
}

std::string buildFitsHeader(const FitsHeaderLayout& layout, const image::FitsHeaderInfo& info,
                            const image::ProcessingHistory& history) {
  const bool threeAxes = layout.shape != FitsShape::Mono;
  std::string h;
  h.reserve(kHeaderBytes);
  append(h, fixedCard(layout.shape == FitsShape::Colour ? "SIMPLE  =                    F /"
                                                        : "SIMPLE  =                    T /"));
  append(h, fixedCard(layout.eightBit ? "BITPIX  =                    8 /"
                                      : "BITPIX  =                   16 /"));
  append(h, fixedCard(threeAxes ? "NAXIS   =                    3 /"
                                : "NAXIS   =                    2 /"));
  append(h, fixedCard(layout.binned ? "NAXIS1  =                 1520 /"
                                    : "NAXIS1  =                 3040 /"));
  append(h, fixedCard(layout.binned ? "NAXIS2  =                 1012 /"
                                    : "NAXIS2  =                 2024 /"));
  if (layout.shape == FitsShape::Rgb) append(h, fixedCard("NAXIS3  =                    3 /"));
  if (layout.shape == FitsShape::Colour) append(h, fixedCard("NAXIS3  =                    4 /"));
  append(h, stringCard("OBJECT  = '", info.object));
  append(h, stringCard("TELESCOP= '", info.telescope));
  append(h, stringCard("INSTRUME= '", info.instrument));
  append(h, stringCard("OBSERVER= '", info.observer));
  append(h, stringCard("ORIGIN  = '", info.origin));
  append(h, stringCard("DATE-OBS= '", info.dateObs));
  append(h, stringCard("TIME-OBS= '", info.timeObs));
  append(h, fixedCard(std::string("HISTORY = '") + std::string(readoutCardText(layout))));
  for (int slot = 0; slot < image::ProcessingHistory::kSlots; ++slot) {
    append(h, stringCard("HISTORY = '", history.slot(slot)));
  }
  for (int i = 0; i < 4; ++i)
    append(h, textCard("HISTORY = '", info.historyText, i));
  for (int i = 0; i < 4; ++i)
    append(h, textCard("COMMENT = '", info.commentText, i));
  append(h, fixedCard("BZERO   =   +3.2768000000E+04"));
  append(h, fixedCard("BSCALE  =   +1.0000000000E+00"));
  append(h, numberCard("PIXWIDTH=", info.pixelWidth));
  append(h, numberCard("PIXHEIGH=", info.pixelHeight));
  append(h, fixedCard("SATURATE=                32768"));
  append(h, numberCard("EXPTIME =", info.exposureSeconds));
  append(h, numberCard("FOCALLEN=", info.focalLength));
  append(h, numberCard("APERTURE=", info.aperture));
  append(h, stringCard("FILTER  = '", info.filter));
  if (layout.shape == FitsShape::Rgb) {
    append(h, stringCard("FILTER1 = '", "RED"));
    append(h, stringCard("FILTER2 = '", "GRN"));
    append(h, stringCard("FILTER3 = '", "BLU"));
  }
  append(h, fixedCard("END"));
  h.resize(kHeaderBytes, ' ');  // blank cards up to 72
  return h;
}

std::optional<ParsedFitsHeader> parseFitsHeader(std::string_view header, std::int64_t fileSize,
                                                const image::FitsHeaderInfo& base) {
  if (header.size() < kHeaderBytes) return std::nullopt;
  std::size_t next = 0;
  auto card = [&]() {
    const auto c = header.substr(next * kCardBytes, kCardBytes);
    ++next;
    return c;
  };
  ParsedFitsHeader parsed;
  parsed.info = base;
  resetFitsHeaderInfo(parsed.info, parsed.history);

  card();  // SIMPLE
  const auto bitpix = card();
  if (bitpix[28] != '1' || bitpix[29] != '6') return std::nullopt;
  const char axes = card()[29];
  if (axes != '2' && axes != '3') return std::nullopt;
  const auto naxis1 = card().substr(27, 3);
  if (naxis1 == "520") {
    parsed.binned = true;
    parsed.colour = fileSize != 3'082'240 && fileSize != 3'084'480;
  } else if (naxis1 == "040") {
    parsed.binned = false;
    parsed.colour = fileSize > 49'000'000;
  } else {
    return std::nullopt;
  }
  // Our mono files have two axes and our colour files three: a file whose axes disagree with
  // its size would put every later card in the wrong place.
  if (axes != (parsed.colour ? '3' : '2')) return std::nullopt;
  const auto naxis2 = card();
  if (naxis2[27] != '0' || (naxis2[28] != '1' && naxis2[28] != '2') ||
      (naxis2[29] != '2' && naxis2[29] != '4')) {
    return std::nullopt;
  }
  if (parsed.colour) card();  // NAXIS3

  auto& info = parsed.info;
  info.object = stringValue(card(), kMaxStringValue);
  info.telescope = stringValue(card(), kMaxStringValue);
  info.instrument = stringValue(card(), kMaxStringValue);
  info.observer = stringValue(card(), kMaxStringValue);
  info.origin = stringValue(card(), kMaxStringValue);
  info.dateObs = stringValue(card(), 11);
  info.timeObs = stringValue(card(), 9);

  const bool binnedByWidth = parsed.binned;
  const auto readout = card().substr(11);
  if (readout[0] == 'F') {
    parsed.binned = false;
    const bool binnedFull = readout[16] == 'B';
    parsed.readoutMode =
        binnedFull ? image::ReadoutMode::FullFrameBinned7 : image::ReadoutMode::HighResolution;
    parsed.modeCode = binnedFull ? '7' : '1';
  } else if (readout[0] == 'B') {
    parsed.binned = true;
    parsed.readoutMode = image::ReadoutMode::Binned2x2;
    parsed.modeCode = '2';
  } else {
    parsed.binned = true;
    parsed.readoutMode = image::ReadoutMode::SubFrame;
    parsed.modeCode = '5';
  }
  // The data size follows NAXIS1; a readout card that says otherwise is not ours.
  if (parsed.binned != binnedByWidth) return std::nullopt;
  for (int slot = 0; slot < image::ProcessingHistory::kSlots; ++slot) {
    parsed.history.setSlot(slot, stringValue(card(), image::ProcessingHistory::kMaxEntryLength));
  }
  info.historyText = joinedText(header.substr(next * kCardBytes, 4 * kCardBytes));
  next += 4;
  info.commentText = joinedText(header.substr(next * kCardBytes, 4 * kCardBytes));
  next += 4;
  if (card().substr(0, 29) == "BZERO   =   +0.0000000000E+00") parsed.sampleOffset = 0;
  card();  // BSCALE
  info.pixelWidth = numberValue(card());
  info.pixelHeight = numberValue(card());
  card();  // SATURATE
  info.exposureSeconds = numberValue(card());
  info.focalLength = numberValue(card());
  info.aperture = numberValue(card());
  info.filter = stringValue(card(), kMaxStringValue);
  return parsed;
}

}  // namespace nvk::files
