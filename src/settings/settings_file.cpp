#include "settings/settings_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <optional>
#include <sstream>
#include <system_error>

#include "base/atomic_file.h"
#include "base/com_port_map.h"
#include "base/little_endian.h"
#include "base/messages.h"
#include "base/parse_int.h"
#include "settings/value_ranges.h"

namespace nvk::settings {
namespace {

// How an i16 field is checked. `range` is what the program accepts; what happens outside it
// depends on where the value comes from.
struct I16Rule {
  // Reset: take `loadFallback` and rewrite the file.
  enum class OnLoad { Take, Repair, Fallback, Reset };
  enum class OnSet { Reject, Replace, Clamp };
  ValueRange range{-32768, 32767};
  OnLoad onLoad = OnLoad::Take;  // Repair: keep the previous value and rewrite the file
  int loadFallback = 0;          // OnLoad::Fallback: the value taken instead
  int above49 = -1;              // written instead of any value above 49 (-1: written as it is)
  OnSet onSet = OnSet::Reject;
  int setReplacement = 0;          // OnSet::Replace: the value taken instead
  std::span<const int> offered{};  // when not empty, the only values accepted within `range`
};

// The guide-star mask radii the defaults dialog offers; any other radius read from the file is
// replaced by the default (9) and the file rewritten, as no star search can use it.
constexpr std::array<int, 6> kMaskRadii{7, 8, 9, 11, 13, 15};
constexpr I16Rule kMaskRadius{{7, 15},   I16Rule::OnLoad::Reset, 9, -1, I16Rule::OnSet::Reject, 0,
                              kMaskRadii};

// Rules shared by many fields.
constexpr I16Rule kRate{kGuideRateRange, I16Rule::OnLoad::Take, 0, 10};
constexpr I16Rule kBacklashRaChecked{kRaBacklashRange, I16Rule::OnLoad::Repair, 0, 10};
constexpr I16Rule kBacklashDec{kDecBacklashRange, I16Rule::OnLoad::Take, 0, 0};
// The dialog caps hysteresis at 20.
constexpr I16Rule kHysteresis{kHysteresisRange, I16Rule::OnLoad::Take, 0, 10,
                              I16Rule::OnSet::Clamp};
constexpr I16Rule kUserPower{kUserStretchPowerFileRange, I16Rule::OnLoad::Repair};
constexpr I16Rule kUnsharpDiameter{kUnsharpDiameterFileRange, I16Rule::OnLoad::Repair};
constexpr I16Rule kUnsharpPower{kUnsharpPowerRange, I16Rule::OnLoad::Repair};
constexpr I16Rule kAoGain{kAoGainRange, I16Rule::OnLoad::Take, 0, 10};
constexpr I16Rule kAny{};
// An angle in whole degrees: any value is kept as read, but a set value must be a real angle.
constexpr I16Rule kDegrees{kGuiderRaAngleRange};

constexpr std::string_view kObjectPrefix = "OBJECT  = '";
constexpr std::string_view kTelescopePrefix = "TELESCOP= '";
constexpr std::string_view kInstrumentPrefix = "INSTRUME= '";
constexpr std::string_view kObserverPrefix = "OBSERVER= '";
constexpr std::string_view kOriginPrefix = "ORIGIN  = '";
constexpr std::string_view kHistoryPrefix = "HISTORY = '";
constexpr std::string_view kCommentPrefix = "COMMENT = '";
constexpr std::string_view kFilterPrefix = "FILTER  = '";

constexpr std::size_t kCardBytes = 80;
constexpr std::size_t kCardValueBytes = 68;  // after the 11-character prefix, before column 80
constexpr std::size_t kTextCards = 4;
constexpr std::size_t kLastTextCardChars = 51;
constexpr std::size_t kAutosaveDirBytes = 100;
constexpr std::size_t kFilterNameBytes = 10;
constexpr std::size_t kFilterNameChars = 8;

std::string trimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
    s.pop_back();
  return s;
}

// The value of a card: from byte 12 up to the closing apostrophe.
std::string cardValue(const std::uint8_t* card, std::size_t width) {
  std::string value;
  for (std::size_t i = kObjectPrefix.size(); i < width && card[i] != '\''; ++i) {
    value.push_back(static_cast<char>(card[i]));
  }
  return value;
}

// The four text cards of a block joined; the fourth gives at most 51 characters.
std::string textCardsValue(const std::uint8_t* cards) {
  std::string text;
  for (std::size_t c = 0; c < kTextCards; ++c) {
    const std::uint8_t* segment = cards + c * kCardBytes + kHistoryPrefix.size();
    const std::size_t n = c + 1 == kTextCards ? kLastTextCardChars : kCardValueBytes;
    text.append(reinterpret_cast<const char*>(segment), n);
  }
  return trimRight(std::move(text));
}

std::string nulText(const std::uint8_t* bytes, std::size_t width) {
  const auto* end = std::find(bytes, bytes + width, std::uint8_t{0});
  return std::string(reinterpret_cast<const char*>(bytes), reinterpret_cast<const char*>(end));
}

std::string inQuotes(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

// ---------------------------------------------------------------------------------------------
// The layout of the settings file, written once and walked by four visitors: the encoder, the
// decoder, the printer and the setter. Each call is one field, in file order.
template <typename V>
void layout(V& v, Settings& s, image::FitsHeaderInfo& f) {
  v.u16(1, "autosaveCounter", s.autosaveCounter);
  v.i16(2, "utOffsetHours", f.utOffsetHours, I16Rule{{-11, 11}});
  v.comPort(3, "telescopeComPort", s.telescopePortIndex);
  v.i16(4, "reserved4", s.reserved4, kAny);
  v.i16(5, "guideStarMaskRadius", s.guideStarMaskRadius, kMaskRadius);
  v.i16(6, "reserved6", s.reserved6, kAny);
  v.choice(7, "windowBackground", s.windowBackground, "lgr", true);
  v.flag10(8, "focusOneSecondDelay", s.focusOneSecondDelay, false);
  v.i16(9, "mainRaGuideRate", s.mainGuide.raRate, kRate);
  v.i16(10, "mainDecGuideRate", s.mainGuide.decRate, kRate);
  v.i16(11, "mainRaBacklash", s.mainGuide.raBacklash, kBacklashRaChecked);
  v.i16(12, "mainDecBacklash", s.mainGuide.decBacklash, kBacklashDec);
  v.flag10(13, "ignoreDriftBelowAccuracy", s.ignoreDriftBelowAccuracy, true);
  v.choice(14, "guideOutputMode", s.guideOutputMode, "nlb", true);
  v.flag10(15, "reservedFlag15", s.reservedFlag15, true);
  v.i16(16, "mainRaHysteresis", s.mainGuide.raHysteresis, kHysteresis);
  v.i16(17, "mainDecHysteresis", s.mainGuide.decHysteresis, kHysteresis);
  v.directionLetters(18, "directionLetters", s.directionLetters);
  v.yn(19, "autoWeakStretch", s.autoWeakStretch, false);
  v.yn(20, "autoStrongStretch", s.autoStrongStretch, false);
  v.yn(21, "autoUserStretch", s.autoUserStretch, false);
  v.i16(22, "userStretchPower", s.userStretchPower, kUserPower);
  v.yn(23, "autoHighPassLowPower", s.autoHighPassLowPower, true);
  v.yn(24, "autoUnsharpMask", s.autoUnsharpMask, true);
  v.i16(25, "autoUnsharpDiameter", s.autoUnsharpDiameter, kUnsharpDiameter);
  v.i16(26, "autoUnsharpPower", s.autoUnsharpPower, kUnsharpPower);
  v.yn(27, "autoRemoveBackground", s.autoRemoveBackground, true);
  v.yn(28, "reservedFlag28", s.reservedFlag28, false);
  v.card(29, "object", kObjectPrefix, f.object);
  v.card(30, "telescope", kTelescopePrefix, f.telescope);
  v.card(31, "instrument", kInstrumentPrefix, f.instrument);
  v.card(32, "observer", kObserverPrefix, f.observer);
  v.card(33, "origin", kOriginPrefix, f.origin);
  v.textCards(34, "historyText", kHistoryPrefix, f.historyText);
  v.textCards(35, "commentText", kCommentPrefix, f.commentText);
  v.card(36, "filter", kFilterPrefix, f.filter);
  v.f64(37, "aperture", f.aperture);
  v.f64(38, "focalLength", f.focalLength);
  v.unsignedFits(39, "unsignedFits", s.unsignedFits);
  v.yn(40, "showInterfaceDetails", s.showInterfaceDetails, false);
  v.autosaveDirectory(41, "autosaveDirectory", s.autosaveDirectory);
  v.i16(42, "guiderRaGuideRate", s.guiderGuide.raRate, kRate);
  v.i16(43, "guiderDecGuideRate", s.guiderGuide.decRate, kRate);
  v.i16(44, "guiderRaBacklash", s.guiderGuide.raBacklash, kBacklashRaChecked);
  v.i16(45, "guiderDecBacklash", s.guiderGuide.decBacklash, kBacklashDec);
  v.i16(46, "guiderRaHysteresis", s.guiderGuide.raHysteresis, kHysteresis);
  v.i16(47, "guiderDecHysteresis", s.guiderGuide.decHysteresis, kHysteresis);
  v.yn(48, "ignoreBacklash", s.ignoreBacklash, false);
  v.yn(49, "filterWheelOnSerialPort", s.filterWheelOnSerialPort, false);
  v.i16(50, "guiderRaAngle", s.guiderRaAngle, kDegrees);
  v.yn(51, "ignoreRaAngle", s.ignoreRaAngle, false);
  v.i16(52, "filterCount", s.filterCount,
        I16Rule{{1, Settings::kMaxFilters},
                I16Rule::OnLoad::Take,
                0,
                -1,
                I16Rule::OnSet::Replace,
                Settings::kDefaultFilterCount});
  v.filterNames(53, "filterNames", s.filterNames);
  v.yn(54, "lineOffset", s.lineOffset, false);
  v.yn(55, "pixelOffset", s.pixelOffset, false);
  v.yn(56, "antiAliasAfterSynthesis", s.antiAliasAfterSynthesis, false);
  v.yn(57, "autoWeakStretch2", s.autoWeakStretch, false);
  v.yn(58, "autoStrongStretch2", s.autoStrongStretch, false);
  v.yn(59, "irFilterUsed", s.irFilterUsed, false);
  v.i16(60, "colourSaturation", s.colourSaturation, I16Rule{{1, 9}, I16Rule::OnLoad::Fallback, 3});
  v.yn(61, "autoUserStretch2", s.autoUserStretch, false);
  v.i16(62, "userStretchPower2", s.userStretchPower, kUserPower);
  v.yn(63, "autoHighPassLowPower2", s.autoHighPassLowPower, true);
  v.yn(64, "autoUnsharpMask2", s.autoUnsharpMask, true);
  v.i16(65, "autoUnsharpDiameter2", s.autoUnsharpDiameter, kUnsharpDiameter);
  v.i16(66, "autoUnsharpPower2", s.autoUnsharpPower, kUnsharpPower);
  v.yn(67, "autoRemoveBackground2", s.autoRemoveBackground, true);
  v.yn(68, "colourSmoothing", s.colourSmoothing, false);
  v.yn(69, "ignoreCameraVidPid", s.ignoreCameraVidPid, false);
  v.i16(70, "aoDefaultGainUpDown", s.aoDefaultGainUpDown, kAoGain);
  v.i16(71, "aoDefaultGainLeftRight", s.aoDefaultGainLeftRight, kAoGain);
  v.i16(72, "aoLatestGainUpDown", s.aoLatestGainUpDown, kAoGain);
  v.i16(73, "aoLatestGainLeftRight", s.aoLatestGainLeftRight, kAoGain);
  v.yn(74, "aoPulseMode", s.aoPulseMode, false);
  v.i16(75, "serialRoute", s.serialRoute, I16Rule{{0, 3}});
  v.choice(76, "guidingMode", s.guidingMode, "TA", false);
  v.letterPair(77, "aoUpDownLetters", s.aoUpDownLetters, "ns");
  v.letterPair(78, "aoLeftRightLetters", s.aoLeftRightLetters, "ew");
  v.yn(79, "aoAvailable", s.aoAvailable, false);
  v.yn(80, "aoHalfRate", s.aoHalfRate, false);
  v.i16(81, "pcComPort", s.pcComPort, I16Rule{{0, base::ComPortMap::kPorts - 1}});
  v.letterPair(82, "mountNorthSouthLetters", s.mountNorthSouthLetters, "NS");
  v.letterPair(83, "mountEastWestLetters", s.mountEastWestLetters, "TW");
  v.yn(84, "guideHeadBin2x2", s.guideHeadBin2x2, false);
  v.yn(85, "guideHeadClear", s.guideHeadClear, false);
  v.yn(86, "noNorthCorrections", s.noNorthCorrections, false);
  v.yn(87, "noSouthCorrections", s.noSouthCorrections, false);
  v.i16(88, "guideAccuracy", s.guideAccuracy, I16Rule{{200, 1000}});
  v.yn(89, "tiff16Bit", s.tiff16Bit, false);
  v.yn(90, "useUsbFilterWheel", s.useUsbFilterWheel, false);
  v.yn(91, "forceMaxCooling", s.forceMaxCooling, false);
  v.yn(92, "padFits", s.padFits, false);
}

// ---------------------------------------------------------------------------------------------
class Encoder {
 public:
  std::vector<std::uint8_t> bytes;

  void u16(int, const char*, std::uint16_t v) { put16(v); }
  void i16(int, const char*, std::int16_t v, const I16Rule& rule) {
    if (rule.above49 >= 0 && v > 49) v = static_cast<std::int16_t>(rule.above49);
    put16(static_cast<std::uint16_t>(v));
  }
  void comPort(int, const char*, std::int16_t index) { put(index == 1 ? '2' : '1'); }
  template <typename E>
  void choice(int, const char*, E v, std::string_view, bool) {
    put(static_cast<char>(v));
  }
  void flag10(int, const char*, bool v, bool) { put(v ? '1' : '0'); }
  void yn(int, const char*, bool v, bool) { put(v ? 'y' : 'n'); }
  void unsignedFits(int, const char*, bool) { put('n'); }
  void directionLetters(int, const char*, const DirectionLetters& d) {
    put(d.north);
    put(d.south);
    put(d.east);
    put(d.west);
  }
  void letterPair(int, const char*, const LetterPair& p, std::string_view) {
    put(p.first);
    put(p.second);
  }
  void card(int, const char*, std::string_view prefix, const std::string& value) {
    std::string c(kCardBytes, ' ');
    c.replace(0, prefix.size(), prefix);
    const std::string_view v = std::string_view(value).substr(0, kCardValueBytes);
    c.replace(prefix.size(), v.size(), v);
    c[prefix.size() + v.size()] = '\'';
    putText(c);
  }
  void textCards(int, const char*, std::string_view prefix, const std::string& text) {
    for (std::size_t i = 0; i < kTextCards; ++i) {
      std::string c(kCardBytes, ' ');
      c.replace(0, prefix.size(), prefix);
      const std::size_t from = i * kCardValueBytes;
      if (from < text.size()) {
        const std::string_view segment = std::string_view(text).substr(from, kCardValueBytes);
        c.replace(prefix.size(), segment.size(), segment);
      }
      c[kCardBytes - 1] = '\'';
      putText(c);
    }
  }
  void f64(int, const char*, double v) { base::appendLe64(bytes, std::bit_cast<std::uint64_t>(v)); }
  void autosaveDirectory(int, const char*, const std::string& dir) {
    const std::string_view text = std::string_view(dir).substr(0, kAutosaveDirBytes - 1);
    putText(text);
    put('\0');
    for (std::size_t i = text.size() + 1; i < kAutosaveDirBytes; ++i)
      put(' ');
  }
  void filterNames(int, const char*, const std::array<std::string, Settings::kMaxFilters>& names) {
    for (const auto& name : names) {
      const std::string_view text = std::string_view(name).substr(0, kFilterNameChars);
      putText(text);
      for (std::size_t i = text.size(); i < kFilterNameBytes; ++i)
        put('\0');
    }
  }

 private:
  void put(char c) { bytes.push_back(static_cast<std::uint8_t>(c)); }
  void put16(std::uint16_t v) { base::appendLe16(bytes, v); }
  void putText(std::string_view s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
};

// Walks the bytes of a file field by field. Once a field does not fit in what is left the
// reader is exhausted and every later field is skipped.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  // The next `n` bytes, or nullptr when the file ends before them.
  const std::uint8_t* take(std::size_t n) {
    if (exhausted_ || bytes_.size() - pos_ < n) {
      exhausted_ = true;
      return nullptr;
    }
    const std::uint8_t* p = bytes_.data() + pos_;
    pos_ += n;
    return p;
  }
  bool exhausted() const { return exhausted_; }
  // Field 29 is one byte shorter in files written before field 28 existed.
  std::size_t objectCardBytes() const {
    return field28Byte_ == 'y' || field28Byte_ == 'n' ? kCardBytes : kCardBytes - 1;
  }
  void noteField(int number, std::uint8_t firstByte) {
    if (number == 28) field28Byte_ = firstByte;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool exhausted_ = false;
  std::uint8_t field28Byte_ = 0;
};

bool isAccepted(long value, const I16Rule& rule) {
  if (!rule.range.contains(value)) return false;
  return rule.offered.empty() ||
         std::find(rule.offered.begin(), rule.offered.end(), value) != rule.offered.end();
}

std::int16_t readI16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(base::readLe16(p));
}

double readF64(const std::uint8_t* p) {
  return std::bit_cast<double>(base::readLe64(p));
}

class Decoder {
 public:
  explicit Decoder(std::span<const std::uint8_t> bytes) : in_(bytes) {}
  SettingsDecode result;

  void u16(int n, const char*, std::uint16_t& v) {
    if (const auto* p = field(n, 2)) v = static_cast<std::uint16_t>(readI16(p));
  }
  void i16(int n, const char*, std::int16_t& v, const I16Rule& rule) {
    const auto* p = field(n, 2);
    if (!p) return;
    const std::int16_t read = readI16(p);
    const bool inRange = isAccepted(read, rule);
    switch (rule.onLoad) {
      case I16Rule::OnLoad::Take:
        v = read;
        break;
      case I16Rule::OnLoad::Repair:
        if (inRange) {
          v = read;
        } else {
          repair(n);
        }
        break;
      case I16Rule::OnLoad::Fallback:
        v = inRange ? read : static_cast<std::int16_t>(rule.loadFallback);
        break;
      case I16Rule::OnLoad::Reset:
        v = inRange ? read : static_cast<std::int16_t>(rule.loadFallback);
        if (!inRange) repair(n);
        break;
    }
  }
  void comPort(int n, const char*, std::int16_t& index) {
    const auto* p = field(n, 1);
    if (!p) return;
    if (*p == '1') {
      index = 0;
    } else if (*p == '2') {
      index = 1;
    } else {
      result.badCommPort = true;
    }
  }
  template <typename E>
  void choice(int n, const char*, E& v, std::string_view allowed, bool checked) {
    const auto* p = field(n, 1);
    if (!p) return;
    const char c = static_cast<char>(*p);
    if (allowed.find(c) != std::string_view::npos) {
      v = static_cast<E>(c);
    } else if (checked) {
      // A bad telescope interface byte also turns the interface off.
      if constexpr (std::is_same_v<E, GuideOutputMode>) v = GuideOutputMode::None;
      repair(n);
    }
  }
  void flag10(int n, const char*, bool& v, bool checked) {
    const auto* p = field(n, 1);
    if (!p) return;
    if (checked && *p != '1' && *p != '0') {
      repair(n);
      return;
    }
    v = *p == '1';
  }
  void yn(int n, const char*, bool& v, bool checked) {
    const auto* p = field(n, 1);
    if (!p) return;
    if (checked && *p != 'y' && *p != 'n') {
      repair(n);
      return;
    }
    v = *p == 'y';
  }
  void unsignedFits(int n, const char*, bool& v) {
    if (field(n, 1)) v = false;
  }
  void directionLetters(int n, const char*, DirectionLetters& d) {
    const auto* p = field(n, 4);
    if (!p) return;
    auto eastWest = [](std::uint8_t c) { return c == 'e' || c == 'w'; };
    if (!eastWest(p[2]) || !eastWest(p[3])) {
      repair(n);
      return;
    }
    d = {static_cast<char>(p[2]), static_cast<char>(p[3]), static_cast<char>(p[0]),
         static_cast<char>(p[1])};
  }
  void letterPair(int n, const char*, LetterPair& pair, std::string_view) {
    if (const auto* p = field(n, 2)) pair = {static_cast<char>(p[0]), static_cast<char>(p[1])};
  }
  void card(int n, const char*, std::string_view, std::string& value) {
    const std::size_t width = n == 29 ? in_.objectCardBytes() : kCardBytes;
    if (const auto* p = field(n, width)) value = cardValue(p, width);
  }
  void textCards(int n, const char*, std::string_view, std::string& text) {
    if (const auto* p = field(n, kTextCards * kCardBytes)) text = textCardsValue(p);
  }
  void f64(int n, const char*, double& v) {
    if (const auto* p = field(n, 8)) v = readF64(p);
  }
  void autosaveDirectory(int n, const char*, std::string& dir) {
    if (const auto* p = field(n, kAutosaveDirBytes)) dir = nulText(p, kAutosaveDirBytes);
  }
  void filterNames(int n, const char*, std::array<std::string, Settings::kMaxFilters>& names) {
    const auto* p = field(n, kFilterNameBytes * names.size());
    if (!p) return;
    for (std::size_t i = 0; i < names.size(); ++i) {
      names[i] = nulText(p + i * kFilterNameBytes, kFilterNameChars + 1);
    }
  }

  void finish() { result.complete = !in_.exhausted(); }

 private:
  const std::uint8_t* field(int n, std::size_t width) {
    const std::uint8_t* p = in_.take(width);
    if (p) {
      in_.noteField(n, p[0]);
      result.lastFieldRead = n;
    }
    return p;
  }
  void repair(int n) {
    result.needsRepair = true;
    result.repairedFields.push_back(n);
  }

  ByteReader in_;
};

// Prints each field as the file holds it, decoding into scratch values so that the two copies of
// the automatic-processing choices show what each copy says.
class Printer {
 public:
  Printer(std::span<const std::uint8_t> bytes, std::ostream& out) : in_(bytes), out_(out) {}

  void u16(int n, const char* name, std::uint16_t) {
    if (const auto* p = field(n, 2))
      line(n, name, std::to_string(static_cast<std::uint16_t>(readI16(p))));
  }
  void i16(int n, const char* name, std::int16_t, const I16Rule&) {
    if (const auto* p = field(n, 2)) line(n, name, std::to_string(readI16(p)));
  }
  void comPort(int n, const char* name, std::int16_t) { character(n, name); }
  template <typename E>
  void choice(int n, const char* name, E, std::string_view, bool) {
    character(n, name);
  }
  void flag10(int n, const char* name, bool, bool) { boolean(n, name, '1', '0'); }
  void yn(int n, const char* name, bool, bool) { boolean(n, name, 'y', 'n'); }
  void unsignedFits(int n, const char* name, bool) { boolean(n, name, 'y', 'n'); }
  void directionLetters(int n, const char* name, const DirectionLetters&) { letters(n, name, 4); }
  void letterPair(int n, const char* name, const LetterPair&, std::string_view) {
    letters(n, name, 2);
  }
  void card(int n, const char* name, std::string_view, const std::string&) {
    const std::size_t width = n == 29 ? in_.objectCardBytes() : kCardBytes;
    if (const auto* p = field(n, width)) line(n, name, inQuotes(cardValue(p, width)));
  }
  void textCards(int n, const char* name, std::string_view, const std::string&) {
    if (const auto* p = field(n, kTextCards * kCardBytes))
      line(n, name, inQuotes(textCardsValue(p)));
  }
  void f64(int n, const char* name, double) {
    const auto* p = field(n, 8);
    if (!p) return;
    std::ostringstream s;
    s << std::setprecision(17) << readF64(p);
    line(n, name, s.str());
  }
  void autosaveDirectory(int n, const char* name, const std::string&) {
    if (const auto* p = field(n, kAutosaveDirBytes))
      line(n, name, inQuotes(nulText(p, kAutosaveDirBytes)));
  }
  void filterNames(int n, const char* name,
                   const std::array<std::string, Settings::kMaxFilters>& names) {
    const auto* p = field(n, kFilterNameBytes * names.size());
    if (!p) return;
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i) text += ",";
      text += inQuotes(nulText(p + i * kFilterNameBytes, kFilterNameChars + 1));
    }
    line(n, name, text);
  }

  bool complete() const { return !in_.exhausted(); }

 private:
  const std::uint8_t* field(int n, std::size_t width) {
    const std::uint8_t* p = in_.take(width);
    if (p) in_.noteField(n, p[0]);
    return p;
  }
  void line(int n, const char* name, const std::string& value) {
    out_ << std::setw(2) << std::setfill('0') << n << ' ' << name << " = " << value << '\n';
  }
  void character(int n, const char* name) {
    if (const auto* p = field(n, 1)) line(n, name, std::string(1, static_cast<char>(*p)));
  }
  void boolean(int n, const char* name, char yes, char no) {
    const auto* p = field(n, 1);
    if (!p) return;
    // A byte that is neither value is shown as it stands, so a damaged file is visible.
    if (*p == yes) {
      line(n, name, "true");
    } else if (*p == no) {
      line(n, name, "false");
    } else {
      line(n, name, std::string(1, static_cast<char>(*p)));
    }
  }
  void letters(int n, const char* name, std::size_t count) {
    if (const auto* p = field(n, count))
      line(n, name, std::string(reinterpret_cast<const char*>(p), count));
  }

  ByteReader in_;
  std::ostream& out_;
};

std::optional<bool> parseBool(std::string_view text) {
  if (text == "true" || text == "y" || text == "yes" || text == "1" || text == "on") return true;
  if (text == "false" || text == "n" || text == "no" || text == "0" || text == "off") return false;
  return std::nullopt;
}

// Sets the one field whose name matches, applying the checks of the defaults dialog.
class Setter {
 public:
  Setter(std::string_view name, std::string_view value) : name_(name), value_(value) {}
  bool found = false;
  std::string error;

  void u16(int, const char* name, std::uint16_t& v) {
    if (!match(name)) return;
    const auto n = base::parseIntIn(value_, 0L, 65535L);
    if (!n) return fail("a whole number 0..65535");
    v = static_cast<std::uint16_t>(*n);
  }
  void i16(int, const char* name, std::int16_t& v, const I16Rule& rule) {
    if (!match(name)) return;
    const auto n = base::parseIntIn(value_, -32768L, 32767L);
    if (!n) return fail("a whole number");
    long value = *n;
    if (!rule.range.contains(value)) {
      switch (rule.onSet) {
        case I16Rule::OnSet::Reject:
          return fail("a whole number " + std::to_string(rule.range.lo) + ".." +
                      std::to_string(rule.range.hi));
        case I16Rule::OnSet::Replace:
          value = rule.setReplacement;
          break;
        case I16Rule::OnSet::Clamp:
          value = std::clamp<long>(value, rule.range.lo, rule.range.hi);
          break;
      }
    }
    if (!isAccepted(value, rule)) {
      std::string list;
      for (const int offered : rule.offered)
        list += (list.empty() ? "" : ", ") + std::to_string(offered);
      return fail("one of " + list);
    }
    if (std::string_view(name) == "guideAccuracy" && value != 1000 && value != 800 &&
        value != 500 && value != 200) {
      return fail("one of 1000, 800, 500, 200");
    }
    v = static_cast<std::int16_t>(value);
  }
  void comPort(int, const char* name, std::int16_t& index) {
    if (!match(name)) return;
    if (value_ == "1") {
      index = 0;
    } else if (value_ == "2") {
      index = 1;
    } else {
      fail("1 (Com1) or 2 (Com2)");
    }
  }
  template <typename E>
  void choice(int, const char* name, E& v, std::string_view allowed, bool) {
    if (!match(name)) return;
    if (value_.size() != 1 || allowed.find(value_[0]) == std::string_view::npos) {
      return fail("one of the characters " + std::string(allowed));
    }
    v = static_cast<E>(value_[0]);
  }
  void flag10(int, const char* name, bool& v, bool) { boolean(name, v); }
  void yn(int, const char* name, bool& v, bool) { boolean(name, v); }
  void unsignedFits(int, const char* name, bool&) {
    if (match(name)) fail("always false");
  }
  void directionLetters(int, const char* name, DirectionLetters& d) {
    if (!match(name)) return;
    // North key, south key, east key, west key; each pair may be swapped.
    if (value_.size() != 4 || !isPair(value_.substr(0, 2), "ns") ||
        !isPair(value_.substr(2), "ew")) {
      return fail("four letters: ns or sn, then ew or we");
    }
    d = {value_[2], value_[3], value_[0], value_[1]};
  }
  void letterPair(int, const char* name, LetterPair& pair, std::string_view letters) {
    if (!match(name)) return;
    if (value_.size() != 2 || !isPair(value_, letters)) {
      return fail("the letters " + std::string(letters) + " in either order");
    }
    pair = {value_[0], value_[1]};
  }
  void card(int, const char* name, std::string_view, std::string& value) {
    if (!match(name)) return;
    if (value_.size() > 67) return fail("a text of up to 67 characters");
    if (value_.find('\'') != std::string_view::npos) return fail("a text without apostrophes");
    value = std::string(value_);
  }
  void textCards(int, const char* name, std::string_view, std::string& text) {
    if (!match(name)) return;
    if (value_.size() > 254) return fail("a text of up to 254 characters");
    text = std::string(value_);
  }
  void f64(int, const char* name, double& v) {
    if (!match(name)) return;
    std::istringstream in{std::string(value_)};
    double d;
    // Both such fields are sizes of the telescope (aperture, focal length): a zero, negative or
    // non-finite value would only put nonsense into every FITS header written afterwards.
    if (!(in >> d) || !in.eof() || !std::isfinite(d) || d <= 0.0) return fail("a number above 0");
    v = d;
  }
  void autosaveDirectory(int, const char* name, std::string&) {
    // Needs the data root to check the folder: the caller handles it (see setSettingsField).
    if (match(name)) fail("");
  }
  void filterNames(int, const char* name, std::array<std::string, Settings::kMaxFilters>& names) {
    if (!match(name)) return;
    std::array<std::string, Settings::kMaxFilters> parsed;
    std::size_t i = 0;
    std::string_view rest = value_;
    for (;;) {
      const auto comma = rest.find(',');
      const std::string_view part = rest.substr(0, comma);
      if (i >= parsed.size()) return fail("at most 8 names separated by commas");
      if (part.size() > kFilterNameChars) return fail("names of up to 8 characters");
      parsed[i++] = std::string(part);
      if (comma == std::string_view::npos) break;
      rest = rest.substr(comma + 1);
    }
    names = parsed;
  }

 private:
  bool match(const char* name) {
    if (found || name_ != name) return false;
    found = true;
    return true;
  }
  void fail(const std::string& expected) { error = expected.empty() ? "" : "expected " + expected; }
  void boolean(const char* name, bool& v) {
    if (!match(name)) return;
    const auto b = parseBool(value_);
    if (!b) return fail("true or false");
    v = *b;
  }
  static bool isPair(std::string_view value, std::string_view letters) {
    return (value[0] == letters[0] && value[1] == letters[1]) ||
           (value[0] == letters[1] && value[1] == letters[0]);
  }

  std::string_view name_;
  std::string_view value_;
};

class NameCollector {
 public:
  std::vector<std::string> names;
  void add(const char* name) { names.emplace_back(name); }
  void u16(int, const char* n, std::uint16_t&) { add(n); }
  void i16(int, const char* n, std::int16_t&, const I16Rule&) { add(n); }
  void comPort(int, const char* n, std::int16_t&) { add(n); }
  template <typename E>
  void choice(int, const char* n, E&, std::string_view, bool) {
    add(n);
  }
  void flag10(int, const char* n, bool&, bool) { add(n); }
  void yn(int, const char* n, bool&, bool) { add(n); }
  void unsignedFits(int, const char* n, bool&) { add(n); }
  void directionLetters(int, const char* n, DirectionLetters&) { add(n); }
  void letterPair(int, const char* n, LetterPair&, std::string_view) { add(n); }
  void card(int, const char* n, std::string_view, std::string&) { add(n); }
  void textCards(int, const char* n, std::string_view, std::string&) { add(n); }
  void f64(int, const char* n, double&) { add(n); }
  void autosaveDirectory(int, const char* n, std::string&) { add(n); }
  void filterNames(int, const char* n, std::array<std::string, Settings::kMaxFilters>&) { add(n); }
};

}  // namespace

std::vector<std::uint8_t> encodeSettings(const Settings& settings,
                                         const image::FitsHeaderInfo& fits) {
  // The layout walks mutable references; the encoder only reads them.
  Settings s = settings;
  image::FitsHeaderInfo f = fits;
  Encoder encoder;
  layout(encoder, s, f);
  return std::move(encoder.bytes);
}

SettingsDecode decodeSettings(std::span<const std::uint8_t> bytes, Settings& settings,
                              image::FitsHeaderInfo& fits) {
  Decoder decoder(bytes);
  layout(decoder, settings, fits);
  decoder.finish();
  return decoder.result;
}

SettingsStatus saveSettings(const std::filesystem::path& file, const Settings& settings,
                            const image::FitsHeaderInfo& fits) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);  // failure shows at the write

  return base::replaceFile(file, encodeSettings(settings, fits)) ? SettingsStatus::Ok
                                                                 : SettingsStatus::SaveFailed;
}

SettingsStatus loadSettings(const std::filesystem::path& file, Settings& settings,
                            image::FitsHeaderInfo& fits, port::Ui& ui) {
  std::error_code ec;
  if (!std::filesystem::is_directory(file.parent_path(), ec)) {
    std::filesystem::create_directories(file.parent_path(), ec);
    return saveSettings(file, settings, fits);
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return SettingsStatus::LoadFailed;
  // Read one byte more than a complete file so that the decoder sees everything there is.
  std::vector<std::uint8_t> bytes(kSettingsFileBytes + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  in.close();

  const SettingsDecode decoded = decodeSettings(bytes, settings, fits);
  if (decoded.badCommPort) ui.showMessage(base::kMessageTitle, kCommPortNotice);
  // A short file keeps what it had; it is reported and left as it is.
  if (!decoded.complete) return SettingsStatus::LoadFailed;
  if (decoded.needsRepair) return saveSettings(file, settings, fits);
  return SettingsStatus::Ok;
}

bool printSettingsFields(std::span<const std::uint8_t> bytes, std::ostream& out) {
  Printer printer(bytes, out);
  Settings s;
  image::FitsHeaderInfo f;
  layout(printer, s, f);
  return printer.complete();
}

std::string setSettingsField(std::string_view name, std::string_view value, Settings& settings,
                             image::FitsHeaderInfo& fits) {
  Setter setter(name, value);
  layout(setter, settings, fits);
  if (!setter.found) return "no setting is called '" + std::string(name) + "'";
  return setter.error;
}

std::vector<std::string> settingsFieldNames() {
  NameCollector collector;
  Settings s;
  image::FitsHeaderInfo f;
  layout(collector, s, f);
  return collector.names;
}

}  // namespace nvk::settings
