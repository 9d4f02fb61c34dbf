#include "files/fits_header.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <span>
#include <type_traits>

#include "files/fits_coordinates.h"

namespace nvk::files {
namespace {

constexpr std::size_t kKeywordBytes = 8;
constexpr std::size_t kTextSegment = 68;
constexpr std::size_t kMaxTextLength = 254;
constexpr std::size_t kMaxStringValue = 67;
constexpr int kTextCards = 4;
constexpr std::string_view kEndCard = "END";

void append(std::string& header, const FitsCard& card) {
  header.append(card.data(), card.size());
}

// The card's value from column 12 up to the first apostrophe (or the end of the card).
std::string stringValue(std::string_view card, std::size_t capacity) {
  std::string_view value = card.substr(11);
  value = value.substr(0, value.find('\''));
  return std::string(value.substr(0, capacity));
}

// The real that `text` starts with; 0 when there is none, and for NAN, INF or a number too
// large for a double (1E999), which are no values of a FITS header.
double finiteNumber(const char* text) {
  const double value = std::strtod(text, nullptr);
  return std::isfinite(value) ? value : 0.0;
}

// The real after the '=' of a number card, as finiteNumber.
double numberValue(std::string_view card) {
  const std::string text(card.substr(std::min<std::size_t>(card.find('=') + 1, card.size())));
  return finiteNumber(text.c_str());
}

// True when `card` is the card `text` stands for: the same columns up to the end of the value
// (the writer's empty comment " /" aside), then nothing but spaces or a comment. A longer value
// such as "NAXIS1  =                 1520000" is another card.
bool isCard(std::string_view card, std::string_view text) {
  const std::string_view value = text.substr(0, text.find(" /"));
  if (card.substr(0, value.size()) != value) return false;
  const auto rest = card.find_first_not_of(' ', value.size());
  return rest == std::string_view::npos || card[rest] == '/';
}

// One of the cards a choice card can be, and the value it stands for.
template <typename T>
struct Alternative {
  T value;
  std::string_view card;
};

// The alternatives of a choice card: listed in the table, or a named array.
template <typename T>
struct Choices {
  Choices(std::initializer_list<Alternative<T>> list) : list(list.begin(), list.size()) {}
  template <std::size_t N>
  Choices(const Alternative<T> (&array)[N]) : list(array) {}
  std::span<const Alternative<T>> list;
};

// What the reader does with a choice card that is none of its alternatives.
enum class Unmatched { Refuse, TakeFirst };

// The readout card names one of four modes; the reader restores that mode.
constexpr Alternative<image::ReadoutMode> kReadoutCards[] = {
    {image::ReadoutMode::SubFrame, "HISTORY = 'Subframe Image        '"},
    {image::ReadoutMode::Binned2x2, "HISTORY = 'Binned Image          '"},
    {image::ReadoutMode::FullFrameBinned7, "HISTORY = 'Fullframe Image Binned'"},
    {image::ReadoutMode::HighResolution, "HISTORY = 'Fullframe Image       '"},
};

// The mode the readout card of `layout` names: every binned readout other than the sub-frame
// is written as the 2x2 one, every full one other than code 7 as the high-resolution one.
image::ReadoutMode cardReadoutMode(const FitsHeaderLayout& layout) {
  using image::ReadoutMode;
  if (layout.binned) {
    return layout.readoutMode == ReadoutMode::SubFrame ? ReadoutMode::SubFrame
                                                       : ReadoutMode::Binned2x2;
  }
  return layout.modeCode == '7' ? ReadoutMode::FullFrameBinned7 : ReadoutMode::HighResolution;
}

// The standard cards that follow from the layout; empty when they are not written. The reader
// takes them in passing: the layout they stand for comes from the cards above.
struct DerivedValues {
  std::optional<int> binning;
  std::optional<double> pixelSize;  // micrometres, binning included
  std::string bayerPattern;
  std::optional<int> bayerOffsetX;
  std::optional<int> bayerOffsetY;
  std::string rowOrder;
  // The frame record's mount pointing as OBJCTRA and OBJCTDEC text.
  std::string objectRa;
  std::string objectDec;
  // kAutoColourDisplay on a colour file shown through the automatic colour stretch.
  std::string colourDisplay;
};

constexpr std::string_view kAutoColourDisplay = "AUTO-STRETCH";

// Everything the cards of a header carry, as the table writes and reads it.
struct HeaderValues {
  FitsHeaderLayout layout;  // its readoutMode is one of the four the readout card names
  std::uint16_t sampleOffset = 32768;
  image::FitsHeaderInfo info;
  std::array<std::string, image::ProcessingHistory::kSlots> history;
  DerivedValues derived;
};

// The value of a string card in the fixed format: between the apostrophes, without the spaces
// that pad it.
std::optional<std::string> quotedValue(std::string_view card) {
  const auto open = card.find('\'', 10);
  if (open == std::string_view::npos) return std::nullopt;
  const auto close = card.find('\'', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  std::string value(card.substr(open + 1, close - open - 1));
  value.erase(value.find_last_not_of(' ') + 1);
  return value;
}

// The number after the '=' of a card; none when there is none.
std::optional<double> realValue(std::string_view card) {
  const std::string text(card.substr(std::min<std::size_t>(10, card.size())));
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string quoted(std::string_view value) {
  // Values shorter than eight characters are padded to eight, as FITS writers do.
  std::string text(value);
  if (text.size() < 8) text.resize(8, ' ');
  return "'" + text + "'";
}

std::string realText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// ---------------------------------------------------------------------------------------------
// The header of this program's FITS files, card by card in file order, walked by the writer and
// by the reader. Each line is one card (text: four cards):
//   fixed    written as given; the reader passes over it
//   checked  written as given; the reader refuses a header whose card differs
//   choice   one of a few cards, each standing for a value; the reader takes the value of the
//            card it finds and refuses (or takes the first) when it is none of them
//   string, text, number   a field of FitsHeaderInfo, written and read back
//   keyword  a standard card in the fixed format, written only when its value is known
// The shape cards come first: the reader decides from them which cards follow, as the writer
// did from the layout.
template <typename V>
void fitsCards(V& v, HeaderValues& h) {
  auto& l = h.layout;
  auto& f = h.info;
  v.fixed(l.shape == FitsShape::Colour ? "SIMPLE  =                    F /"
                                       : "SIMPLE  =                    T /");
  v.choice(l.eightBit, {{false, "BITPIX  =                   16 /"},
                        {true, "BITPIX  =                    8 /"}});
  // Three axes read as Colour until NAXIS3 tells the two three-axis shapes apart.
  v.choice(l.shape, {{FitsShape::Mono, "NAXIS   =                    2 /"},
                     {FitsShape::Colour, "NAXIS   =                    3 /"},
                     {FitsShape::Rgb, "NAXIS   =                    3 /"}});
  v.choice(l.binned, {{false, "NAXIS1  =                 3040 /"},
                      {true, "NAXIS1  =                 1520 /"}});
  v.checked(l.binned ? "NAXIS2  =                 1012 /" : "NAXIS2  =                 2024 /");
  if (l.shape != FitsShape::Mono) {
    v.choice(l.shape, {{FitsShape::Colour, "NAXIS3  =                    4 /"},
                       {FitsShape::Rgb, "NAXIS3  =                    3 /"}});
  }
  v.string("OBJECT  = '", f.object);
  v.string("TELESCOP= '", f.telescope);
  v.string("INSTRUME= '", f.instrument);
  v.string("OBSERVER= '", f.observer);
  v.string("ORIGIN  = '", f.origin);
  v.string("DATE-OBS= '", f.dateObs, 11);
  v.string("TIME-OBS= '", f.timeObs, 9);
  v.choice(l.readoutMode, kReadoutCards);
  for (auto& slot : h.history)
    v.string("HISTORY = '", slot, image::ProcessingHistory::kMaxEntryLength);
  v.text("HISTORY = '", f.historyText);
  v.text("COMMENT = '", f.commentText);
  // Files of plain unsigned samples say so by a zero BZERO; any other card means the offset.
  v.choice(h.sampleOffset,
           {{32768, "BZERO   =   +3.2768000000E+04"}, {0, "BZERO   =   +0.0000000000E+00"}},
           Unmatched::TakeFirst);
  v.fixed("BSCALE  =   +1.0000000000E+00");
  v.number("PIXWIDTH=", f.pixelWidth);
  v.number("PIXHEIGH=", f.pixelHeight);
  v.fixed("SATURATE=                32768");
  v.number("EXPTIME =", f.exposureSeconds);
  v.number("FOCALLEN=", f.focalLength);
  v.number("APERTURE=", f.aperture);
  v.string("FILTER  = '", f.filter);
  // Older files end here (RGB files after FILTER3). The reader takes a card below only where
  // its keyword stands at its place, so that a file without it still reads: a card every
  // header gains is one line here, its value a field of HeaderValues.
  v.appendedFromHere();
  if (l.shape == FitsShape::Rgb) {
    v.fixed("FILTER1 = 'RED'");
    v.fixed("FILTER2 = 'GRN'");
    v.fixed("FILTER3 = 'BLU'");
  }
  // The standard keywords, each written when the program knows its value.
  auto& d = h.derived;
  auto& frame = f.frame;
  v.keyword("IMAGETYP", frame.imageType, "type of the frame");
  v.keyword("XBINNING", d.binning, "sensor pixels per sample, across");
  v.keyword("YBINNING", d.binning, "sensor pixels per sample, down");
  v.keyword("XPIXSZ", d.pixelSize, "[um] sample width, binning included");
  v.keyword("YPIXSZ", d.pixelSize, "[um] sample height, binning included");
  v.keyword("CCD-TEMP", frame.sensorTemperatureC, "[C] sensor temperature after readout");
  v.keyword("SET-TEMP", frame.setPointC, "[C] cooler set-point");
  v.keyword("DATE-BEG", frame.startUtc, "UTC start of the exposure");
  v.keyword("DATE-END", frame.endUtc, "UTC end of the exposure");
  v.keyword("OBJCTRA", d.objectRa, "R.A. the mount reported at the start");
  v.keyword("OBJCTDEC", d.objectDec, "Dec. the mount reported at the start");
  v.keyword("BAYERPAT", d.bayerPattern, "colour filters of the first 2x2 cell, top-down");
  v.keyword("XBAYROFF", d.bayerOffsetX, "the pattern starts at column 0");
  v.keyword("YBAYROFF", d.bayerOffsetY, "the pattern starts at row 0");
  v.keyword("ROWORDER", d.rowOrder, "first row stored is the top of the image");
  v.keyword("COLRDISP", d.colourDisplay, "planes shown stretched to sky and brightest star");
  v.end();
}

// ---------------------------------------------------------------------------------------------
class CardWriter {
 public:
  std::string header;

  void fixed(std::string_view card) { append(header, fixedCard(card)); }
  void checked(std::string_view card) { fixed(card); }
  template <typename T>
  void choice(const T& value, Choices<std::type_identity_t<T>> choices,
              Unmatched = Unmatched::Refuse) {
    const auto& list = choices.list;
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& alternative) {
      return alternative.value == value;
    });
    fixed(it != list.end() ? it->card : list.front().card);
  }
  void string(std::string_view prefix, const std::string& value, std::size_t = kMaxStringValue) {
    append(header, stringCard(prefix, value));
  }
  void text(std::string_view prefix, const std::string& text) {
    for (int i = 0; i < kTextCards; ++i)
      append(header, textCard(prefix, text, i));
  }
  void number(std::string_view keyword, double value) {
    append(header, numberCard(keyword, value));
  }
  void keyword(std::string_view name, const std::string& value, std::string_view comment) {
    if (!value.empty()) append(header, keywordCard(name, quoted(value), comment));
  }
  void keyword(std::string_view name, const std::optional<int>& value, std::string_view comment) {
    if (value) append(header, keywordCard(name, std::to_string(*value), comment));
  }
  void keyword(std::string_view name, const std::optional<double>& value,
               std::string_view comment) {
    if (value) append(header, keywordCard(name, realText(*value), comment));
  }
  void appendedFromHere() {}
  void end() { fixed(kEndCard); }
};

class CardReader {
 public:
  explicit CardReader(std::string_view header) : header_(header) {}

  bool refused = false;  // a card is not what this program writes

  void fixed(std::string_view card) { take(card); }
  void checked(std::string_view card) {
    const auto found = take(card);
    if (found && !isCard(*found, card)) refused = true;
  }
  template <typename T>
  void choice(T& value, Choices<std::type_identity_t<T>> choices,
              Unmatched unmatched = Unmatched::Refuse) {
    const auto found = take(choices.list.front().card);
    if (!found) return;
    for (const auto& alternative : choices.list) {
      if (isCard(*found, alternative.card)) {
        value = alternative.value;
        return;
      }
    }
    if (unmatched == Unmatched::Refuse) refused = true;
    value = choices.list.front().value;
  }
  void string(std::string_view prefix, std::string& value, std::size_t capacity = kMaxStringValue) {
    if (const auto found = take(prefix)) value = stringValue(*found, capacity);
  }
  // The fixed 68 columns of each card, at most 51 from the last (254 in all); the space
  // padding the writer added is not part of the text.
  void text(std::string_view prefix, std::string& text) {
    std::string joined;
    for (int i = 0; i < kTextCards; ++i) {
      const auto found = take(prefix);
      if (!found) return;
      const auto segment = found->substr(11, kTextSegment);
      joined.append(segment.substr(0, i == 3 ? kMaxTextLength - 3 * kTextSegment : kTextSegment));
    }
    joined.erase(joined.find_last_not_of(' ') + 1);
    text = std::move(joined);
  }
  void number(std::string_view keyword, double& value) {
    if (const auto found = take(keyword)) value = numberValue(*found);
  }
  void keyword(std::string_view name, std::string& value, std::string_view) {
    if (const auto found = take(paddedKeyword(name))) value = quotedValue(*found).value_or("");
  }
  void keyword(std::string_view name, std::optional<int>& value, std::string_view) {
    if (const auto found = take(paddedKeyword(name))) {
      const auto real = realValue(*found);
      // A whole number of degrees or pixels; anything far beyond is no value of ours.
      value = real && std::abs(*real) < 1e6
                  ? std::optional<int>(static_cast<int>(std::lround(*real)))
                  : std::nullopt;
    }
  }
  void keyword(std::string_view name, std::optional<double>& value, std::string_view) {
    if (const auto found = take(paddedKeyword(name))) value = realValue(*found);
  }
  void appendedFromHere() { appended_ = true; }
  // The header ends at an END card, here or after cards this program does not know; a header
  // without one is not ours, whatever its other cards say.
  void end() {
    const FitsCard endCard = fixedCard(kEndCard);
    for (; next_ < kHeaderCards; ++next_) {
      if (cardAt(next_) == std::string_view(endCard.data(), endCard.size())) return;
    }
    refused = true;
  }

 private:
  std::string_view cardAt(int index) const {
    return header_.substr(static_cast<std::size_t>(index) * kCardBytes, kCardBytes);
  }
  // The next card of the header. Below appendedFromHere() only when it has `card`'s keyword;
  // otherwise the card is absent and the header's card stays for the next line of the table.
  std::optional<std::string_view> take(std::string_view card) {
    if (next_ >= kHeaderCards) return std::nullopt;
    const auto found = cardAt(next_);
    if (appended_ && found.substr(0, kKeywordBytes) != card.substr(0, kKeywordBytes)) {
      return std::nullopt;
    }
    ++next_;
    return found;
  }

  static std::string paddedKeyword(std::string_view name) {
    std::string keyword(name);
    keyword.resize(kKeywordBytes, ' ');
    return keyword;
  }

  std::string_view header_;
  int next_ = 0;
  bool appended_ = false;
};

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
  info.frame = {};
}

int savedBinning(const FitsHeaderLayout& layout) {
  return layout.binned && layout.readoutMode != image::ReadoutMode::SubFrame ? 2 : 1;
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
  // NAN and INF have no FITS form, and a value that rounds past the largest double would read
  // back as none: such a card says 0, as the reader takes it.
  if (!std::isfinite(std::strtod(number, nullptr))) {
    std::snprintf(number, sizeof number, "    %11.10E", 0.0);
  }
  std::string text(keyword);
  text.append(number);
  return fixedCard(text);
}

FitsCard keywordCard(std::string_view keyword, std::string_view value, std::string_view comment) {
  std::string text(keyword);
  text.resize(kKeywordBytes, ' ');
  text += "= ";
  if (value.starts_with('\'')) {
    text += value;
  } else {
    constexpr std::size_t kValueEnd = 30;
    text.append(kValueEnd - std::min(kValueEnd - text.size(), value.size()) - text.size(), ' ');
    text += value;
  }
  if (!comment.empty() && text.size() + 3 < kCardBytes) text += " / " + std::string(comment);
  return fixedCard(text);
}

FitsCard textCard(std::string_view prefix, std::string_view text, int index) {
  const std::size_t start = static_cast<std::size_t>(index) * kTextSegment;
  std::string segment(start < text.size() ? text.substr(start, kTextSegment) : std::string_view{});
  segment.resize(kTextSegment, ' ');
  return fixedCard(std::string(prefix) + segment + "'");
}

std::string_view readoutCardText(const FitsHeaderLayout& layout) {
  const auto mode = cardReadoutMode(layout);
  for (const auto& alternative : kReadoutCards) {
    if (alternative.value == mode) return alternative.card.substr(11);
  }
  return {};
}

std::string buildFitsHeader(const FitsHeaderLayout& layout, const image::FitsHeaderInfo& info,
                            const image::ProcessingHistory& history) {
  HeaderValues values{layout, 32768, info, {}, {}};
  values.layout.readoutMode = cardReadoutMode(layout);
  if (layout.standardKeywords) {
    auto& d = values.derived;
    const int binning = savedBinning(layout);
    d.binning = binning;
    d.pixelSize = kSensorPixelMicrometres * binning;
    if (layout.bayer) {
      d.bayerPattern = layout.bayer->pattern;
      d.bayerOffsetX = layout.bayer->xOffset;
      d.bayerOffsetY = layout.bayer->yOffset;
      d.rowOrder = "TOP-DOWN";
    }
    if (layout.shape == FitsShape::Colour && layout.autoColourDisplay) {
      d.colourDisplay = kAutoColourDisplay;
    }
    // Both cards or neither: a position is only of use whole.
    if (const auto& pointing = info.frame.mountPointing) {
      d.objectRa = objectRaText(pointing->raHours);
      d.objectDec = objectDecText(pointing->decDegrees);
      if (d.objectRa.empty() || d.objectDec.empty()) d.objectRa = d.objectDec = {};
    }
  } else {
    values.info.frame = {};
  }
  for (int slot = 0; slot < image::ProcessingHistory::kSlots; ++slot) {
    values.history[static_cast<std::size_t>(slot)] = history.slot(slot);
  }
  CardWriter writer;
  writer.header.reserve(kHeaderBytes);
  fitsCards(writer, values);
  writer.header.resize(kHeaderBytes, ' ');  // blank cards up to 72
  return std::move(writer.header);
}

std::optional<ParsedFitsHeader> parseFitsHeader(std::string_view header, std::int64_t fileSize,
                                                const image::FitsHeaderInfo& base) {
  if (header.size() < kHeaderBytes) return std::nullopt;
  ParsedFitsHeader parsed;
  parsed.info = base;
  resetFitsHeaderInfo(parsed.info, parsed.history);
  HeaderValues values{{}, 32768, parsed.info, {}, {}};
  CardReader reader(header);
  fitsCards(reader, values);
  // The reader loads 16-bit samples only.
  if (reader.refused || values.layout.eightBit) return std::nullopt;

  // The size tells a colour file (the raw plane and three colour planes) from a mono one.
  const bool binnedByWidth = values.layout.binned;
  parsed.colour =
      binnedByWidth ? fileSize != 3'082'240 && fileSize != 3'084'480 : fileSize > 49'000'000;
  // Our mono files have two axes and our colour files three: a file whose axes disagree with
  // its size holds other data than the cards describe.
  if ((values.layout.shape != FitsShape::Mono) != parsed.colour) return std::nullopt;
  const auto& readout = image::readoutModeInfo(values.layout.readoutMode);
  // The data size follows NAXIS1; a readout card that says otherwise is not ours.
  if (readout.binned != binnedByWidth) return std::nullopt;
  parsed.binned = readout.binned;
  parsed.readoutMode = readout.mode;
  parsed.modeCode = readout.modeCode;
  parsed.sampleOffset = values.sampleOffset;
  parsed.info = std::move(values.info);
  parsed.bayerPattern = std::move(values.derived.bayerPattern);
  parsed.autoColourDisplay = parsed.colour && values.derived.colourDisplay == kAutoColourDisplay;
  const auto ra = parseObjectRa(values.derived.objectRa);
  const auto dec = parseObjectDec(values.derived.objectDec);
  if (ra && dec) parsed.info.frame.mountPointing = image::MountPointing{*ra, *dec};
  for (int slot = 0; slot < image::ProcessingHistory::kSlots; ++slot) {
    parsed.history.setSlot(slot, values.history[static_cast<std::size_t>(slot)]);
  }
  return parsed;
}

}  // namespace nvk::files
